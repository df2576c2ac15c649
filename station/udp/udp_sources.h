// The programs a UDP listener hears (WSJT-X's senders, N1MM Logger+'s
// stations), kept the same way by both listeners: each remembered once by
// the key its datagrams name it by, heard from its first datagram until it
// closes or stays silent for the silence time, each change one log line,
// and the first one heard followed until it falls quiet. It owns the
// listener's UdpReceiver and the one silence timer on its io_context, so
// all of it runs on the receiver's thread. What a listener keeps besides
// (a sender's dialect, a station's radios) it keeps by the source's index,
// which never changes: sources are only ever added.
#pragma once

#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "station/udp/udp_receiver.h"

namespace station {

constexpr std::size_t kMaxUdpSources = 8;  // remembered; more are not followed

struct UdpSource {
  std::string key;             // the program's own name for itself
  UdpReceiver::Endpoint from;  // of its latest datagram
  std::chrono::steady_clock::time_point heardAt;
  bool heard = false;  // heard since it last closed or fell silent
};

struct UdpSourcesSetup {
  std::string threadName;  // the receiver's thread, "swr-wsjtx"
  std::string program;     // "cannot listen for PROGRAM on ADDR:PORT: why"
  std::string plural;      // "hearing more than 8 PLURAL; ignoring the others"
  int silenceMs = 30000;
  // A source as its lines name it: "heard LABEL at ADDR:PORT".
  std::function<std::string(const std::string& key)> label;
  // One line (no newline) per change; may be empty.
  std::function<void(const std::string&)> log;
  // After source `index` fell quiet and its line was said; `followed` when
  // it was the followed one (none is followed then).
  std::function<void(int index, bool followed)> onQuiet;
};

class UdpSources {
 public:
  explicit UdpSources(UdpSourcesSetup setup);
  ~UdpSources();  // Stop()
  UdpSources(const UdpSources&) = delete;
  UdpSources& operator=(const UdpSources&) = delete;

  // Opens and binds the receiver's socket; false with `error` set to
  // "cannot listen for PROGRAM on ADDR:PORT: " and the system's reason.
  bool Open(const UdpBind& bind, std::string& error);
  // Starts the receiver's thread, which hands each datagram to `handler`.
  void Start(UdpReceiver::Handler handler);
  bool Started() const { return started_; }
  // Cancels the silence timer, closes the socket and joins the thread.
  void Stop();
  UdpReceiver& Receiver() { return receiver_; }

  // The rest on the receiver's thread only.
  // The index of the source named `key`, now at `from`; a new one is
  // remembered at the next index. -1 (said once) when kMaxUdpSources are.
  int Find(const std::string& key, const UdpReceiver::Endpoint& from);
  const UdpSource& operator[](int index) const { return sources_[static_cast<std::size_t>(index)]; }
  // Source `index` is heard now. The first time since it was last quiet
  // says "heard LABEL[ DETAIL] at ADDR:PORT" and has the silence timer set.
  void Heard(int index, const std::string& detail = "");
  // A heard source falls quiet: "LABEL at ADDR:PORT WHY", then onQuiet.
  void Quiet(int index, const std::string& why);
  // Follows `index` when none is followed; true when it starts to now.
  bool Follow(int index);
  int Followed() const { return followed_; }
  // "ignoring broken datagrams from WHAT", for the first one only.
  void SayBroken(const std::string& what);
  void Say(const std::string& line) const {
    if (setup_.log) setup_.log(line);
  }

 private:
  void ArmSilence(std::chrono::steady_clock::time_point at);
  void CheckSilence();

  UdpSourcesSetup setup_;
  UdpReceiver receiver_;
  boost::asio::steady_timer silence_{receiver_.Io()};
  std::vector<UdpSource> sources_;
  int followed_ = -1;
  bool saidBroken_ = false;
  bool saidFull_ = false;
  bool armed_ = false;  // the silence timer is set
  bool started_ = false;
};

}  // namespace station
