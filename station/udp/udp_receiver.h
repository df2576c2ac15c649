// A UDP socket on a thread of its own, shared by the listeners for other
// programs' datagrams (WSJT-X, N1MM Logger+): it binds (joining a multicast
// group, sharing the port where asked), receives one datagram at a time and
// hands each to the listener's handler on that thread. Timers of the
// listener's own run on the same io_context (Io()), so a listener's state
// is touched by that thread alone.
#pragma once

#include <array>
#include <boost/asio.hpp>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "station/udp/udp_address.h"

namespace station {

struct UdpBind {
  UdpAddress address;
  bool shared = false;     // SO_REUSEADDR: other programs may bind the port too
  bool broadcast = false;  // SO_BROADCAST: datagrams to a broadcast address are taken
};

class UdpReceiver {
 public:
  using Endpoint = boost::asio::ip::udp::endpoint;
  // Each datagram whole, of any size UDP carries; the listener drops what
  // is too large for it.
  using Handler = std::function<void(std::string_view bytes, const Endpoint& from)>;

  explicit UdpReceiver(std::string threadName) : threadName_(std::move(threadName)) {}
  ~UdpReceiver();  // Stop()
  UdpReceiver(const UdpReceiver&) = delete;
  UdpReceiver& operator=(const UdpReceiver&) = delete;

  // Opens and binds the socket (a multicast group is always shared and
  // joined on loopback); false with the system's reason in `error`.
  bool Open(const UdpBind& bind, std::string& error);
  void Start(Handler handler);
  // Closes the socket, stops the io_context and joins the thread.
  void Stop();
  boost::asio::io_context& Io() { return io_; }
  // One datagram back from the bound socket (a reply to a sender); on the
  // receiver's thread (posted to Io()). Does not wait: a datagram the
  // system cannot take at once fails with `ec`.
  void SendTo(std::string_view bytes, const Endpoint& to, boost::system::error_code& ec);

 private:
  void Receive();

  std::string threadName_;
  boost::asio::io_context io_;
  boost::asio::ip::udp::socket socket_{io_};
  boost::asio::steady_timer retry_{io_};
  std::thread thread_;
  Handler handler_;
  // Above UDP's largest payload, so that none is ever cut and no receive
  // fails for size (which Wine, with such a datagram already waiting,
  // reports without dequeuing it, over and over).
  std::array<char, 65536> buffer_{};
  Endpoint from_;
};

// "ADDR:PORT" of a sender, for log lines.
std::string EndpointText(const UdpReceiver::Endpoint& endpoint);

}  // namespace station
