// The shared UDP receiver: one Boost.Asio io_context on the receiver's
// thread, one receive at a time; see udp_receiver.h.
#include "station/udp/udp_receiver.h"

#include <chrono>

#include "station/core/thread_name.h"
#include "station/udp/udp_bind.h"

namespace station {

namespace asio = boost::asio;
using asio::ip::udp;

namespace {

constexpr int kRetryMs = 100;  // after a receive error, before the next receive

}  // namespace

UdpReceiver::~UdpReceiver() { Stop(); }

bool UdpReceiver::Open(const UdpBind& bind, std::string& error) {
  const UdpAddress& a = bind.address;
  boost::system::error_code ec;
  const std::string bindTo = a.multicast ? MulticastBindAddress(a.address) : a.address;
  const udp::endpoint at(asio::ip::make_address_v4(bindTo, ec), a.port);
  if (!ec) socket_.open(udp::v4(), ec);
  if (!ec && (a.multicast || bind.shared)) socket_.set_option(udp::socket::reuse_address(true), ec);
  if (!ec && bind.broadcast) socket_.set_option(asio::socket_base::broadcast(true), ec);
  if (!ec) socket_.bind(at, ec);
  if (!ec && a.multicast) {
    socket_.set_option(asio::ip::multicast::join_group(asio::ip::make_address_v4(a.address),
                                                       asio::ip::make_address_v4("127.0.0.1")),
                       ec);
  }
  if (!ec) return true;
  boost::system::error_code ignored;
  socket_.close(ignored);
  error = ec.message();
  return false;
}

void UdpReceiver::Receive() {
  socket_.async_receive_from(asio::buffer(buffer_), from_,
                             [this](const boost::system::error_code& ec, std::size_t n) {
    if (ec == asio::error::operation_aborted) return;
    // Any failure (none is expected) waits a moment, so that a failure that
    // repeats never spins the thread.
    if (ec) {
      retry_.expires_after(std::chrono::milliseconds(kRetryMs));
      return retry_.async_wait([this](const boost::system::error_code& e) {
        if (!e) Receive();
      });
    }
    handler_(std::string_view(buffer_.data(), n), from_);
    Receive();
  });
}

void UdpReceiver::Start(Handler handler) {
  if (thread_.joinable() || !socket_.is_open()) return;
  handler_ = std::move(handler);
  io_.restart();
  asio::post(io_, [this] { Receive(); });
  thread_ = std::thread([this] {
    NameThisThread(threadName_.c_str());
    io_.run();
  });
}

void UdpReceiver::SendTo(std::string_view bytes, const Endpoint& to, boost::system::error_code& ec) {
  socket_.send_to(boost::asio::buffer(bytes.data(), bytes.size()), to, 0, ec);
}

void UdpReceiver::Stop() {
  if (!thread_.joinable()) return;
  asio::post(io_, [this] {
    boost::system::error_code ignored;
    socket_.close(ignored);
    retry_.cancel();
    io_.stop();
  });
  thread_.join();
}

std::string EndpointText(const UdpReceiver::Endpoint& e) {
  return e.address().to_string() + ":" + std::to_string(e.port());
}

}  // namespace station
