// The rigctld client: one Boost.Asio io_context on the link's own thread.
// Each poll writes its gets at once and reads the answer into a bounded
// buffer; one timer ticks the polls and, at a tick that finds the answer
// still not whole, checks its deadline. Any failure closes the socket and
// retries after a backoff that doubles while the rig stays unreachable. Most
// polls ask for PTT only; a PTT edge is stored only with the tuning read
// after it, so a transmission never starts on the band the rig has just
// left.
#include "station/rig/rig_link.h"

#include <algorithm>
#include <array>
#include <boost/asio.hpp>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "station/core/clock.h"
#include "station/core/thread_name.h"
#include "station/rig/rig_protocol.h"

namespace station {

namespace asio = boost::asio;
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

struct RigLink::Impl {
  Impl(RigAddress a, RigStateBox& b, std::function<void(const std::string&)> l, RigLinkTiming t)
      : address(std::move(a)), box(b), log(std::move(l)), timing(t) {}

  void Connect();
  void TryEndpoint(std::size_t i);
  void OnConnected();
  std::string NoConnection() const {
    return "no connection within " + std::to_string(timing.connectTimeoutMs) + " ms";
  }
  void Poll();
  void ArmTick(Clock::time_point at);
  // One read into `pending`, then (this->*then)(); the connection's end or
  // error fails the link.
  void ReadMore(void (Impl::*then)());
  void Read();
  void OnPollData();
  void OnReply(const RigReply& reply);
  void SayReply(const RigReply& reply);
  void Fail(const std::string& why);
  using HaltDone = std::function<void(const HaltReport&)>;
  void Halt(HaltDone done);
  void SendHalt();
  void ReadHalt();
  void OnHaltData();
  void EndHalt(const char* outcome, const std::string& detail);
  void Say(const std::string& line) {
    if (log) log(line);
  }
  bool Current(unsigned g) const { return g == generation; }

  RigAddress address;
  RigStateBox& box;
  std::function<void(const std::string&)> log;
  RigLinkTiming timing;
  asio::io_context io;
  tcp::resolver resolver{io};
  tcp::socket socket{io};
  std::vector<tcp::endpoint> endpoints;  // the address's, tried in turn
  bool timedOut = false;                 // the connect attempt ran out of time
  asio::steady_timer deadline{io};  // the connect
  asio::steady_timer pause{io};     // the next tick or the next attempt
  std::thread thread;
  unsigned generation = 0;  // bumped by each failure: stale handlers return
  std::string pending;
  std::array<char, 128> chunk{};
  bool askPtt = true;  // the rig reports PTT (until it says it cannot)
  RigAsk asked;        // what the poll in flight asked for
  bool answering = false;  // its answer is not yet whole
  bool tuneNow = true;  // the next poll asks for the tuning too
  Clock::time_point tunedAt;
  RigState last;  // what was last stored
  Clock::time_point pollStart;
  int backoffMs = 0;
  // What was last said, so each change is said once.
  enum class Said { Nothing, Up, Down } said = Said::Nothing;
  bool saidNoPtt = false;
  std::string saidRigError;
  bool connected = false;          // between the connect and a failure
  std::vector<HaltDone> halts;     // asked, not yet sent (the front one in flight)
  bool halting = false;            // "T 0" is out, its answer not yet whole
};

namespace {

// A halt's report, stamped now.
void ReportHalt(const std::function<void(const HaltReport&)>& done, const char* outcome,
                const std::string& detail) {
  if (done) done(HaltReport{outcome, detail, UnixNowMs(), SteadyNowMs()});
}

}  // namespace

void RigLink::Impl::Halt(HaltDone done) {
  if (!connected) return ReportHalt(done, "failed", "not connected to rigctld");
  halts.push_back(std::move(done));
  // After the poll in flight: rigctld answers in order, one command at a time.
  if (!answering) SendHalt();
}

void RigLink::Impl::SendHalt() {
  const unsigned g = generation;
  halting = true;
  answering = true;
  pending.clear();
  pollStart = Clock::now();
  ArmTick(pollStart + Ms(timing.pollMs));
  static const std::string kPttOff = "T 0\n";
  asio::async_write(socket, asio::buffer(kPttOff),
                    [this, g](const boost::system::error_code& ec, std::size_t) {
    if (!Current(g)) return;
    if (ec) return Fail(ec.message());
    ReportHalt(halts.front(), "sent", "T 0");
    ReadHalt();
  });
}

void RigLink::Impl::ReadHalt() { ReadMore(&Impl::OnHaltData); }

// The answer to "T 0": one line, RPRT 0 or an error code.
void RigLink::Impl::OnHaltData() {
  const std::size_t nl = pending.find('\n');
  if (nl == std::string::npos) {
    if (pending.size() > kRigMaxLine) return Fail("rigctld sent a line longer than " + std::to_string(kRigMaxLine) + " bytes");
    return ReadHalt();
  }
  std::string line = pending.substr(0, nl);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (nl + 1 != pending.size()) return Fail("rigctld sent more lines than were asked for");
  if (line == "RPRT 0") return EndHalt("answered", line);
  if (line.compare(0, 5, "RPRT ") == 0) return EndHalt("failed", "rigctld answered " + line);
  Fail("rigctld sent an answer to 'T 0' that is no RPRT");
}

// The halt in flight is over: the next one goes, or a poll to see PTT at once.
void RigLink::Impl::EndHalt(const char* outcome, const std::string& detail) {
  ReportHalt(halts.front(), outcome, detail);
  halts.erase(halts.begin());
  halting = false;
  answering = false;
  if (!halts.empty()) return SendHalt();
  tuneNow = true;
  Poll();
}

void RigLink::Impl::Connect() {
  const unsigned g = generation;
  deadline.expires_after(Ms(timing.connectTimeoutMs));
  deadline.async_wait([this, g](const boost::system::error_code& ec) {
    if (!ec && Current(g)) Fail(NoConnection());
  });
  resolver.async_resolve(address.host, std::to_string(address.port),
                         [this, g](const boost::system::error_code& ec, tcp::resolver::results_type r) {
    if (!Current(g)) return;
    if (ec) return Fail(ec.message());
    endpoints.assign(r.begin(), r.end());
    TryEndpoint(0);
  });
}

// Each address gets the whole connect time: a refusal that is slow to come
// on one (Windows retries a refused connection for about 2 s) does not use
// up the next one's, so "localhost" still reaches a rigctld on 127.0.0.1
// when ::1 comes first.
void RigLink::Impl::TryEndpoint(std::size_t i) {
  const unsigned g = generation;
  timedOut = false;
  deadline.expires_after(Ms(timing.connectTimeoutMs));
  deadline.async_wait([this, g](const boost::system::error_code& ec) {
    if (ec || !Current(g)) return;
    timedOut = true;
    boost::system::error_code ignored;
    socket.close(ignored);  // ends the attempt
  });
  socket.async_connect(endpoints[i], [this, g, i](const boost::system::error_code& ec) {
    if (!Current(g)) return;
    if (!ec && !timedOut) return OnConnected();
    const std::string why = timedOut || !ec ? NoConnection() : ec.message();
    boost::system::error_code ignored;
    socket.close(ignored);
    if (i + 1 < endpoints.size()) return TryEndpoint(i + 1);
    Fail(why);
  });
}

void RigLink::Impl::OnConnected() {
  deadline.cancel();
  connected = true;
  boost::system::error_code ignored;
  socket.set_option(tcp::no_delay(true), ignored);
  askPtt = true;
  tuneNow = true;
  last = RigState{};
  Poll();
}

void RigLink::Impl::Poll() {
  const unsigned g = generation;
  pollStart = Clock::now();
  pending.clear();
  answering = true;
  ArmTick(pollStart + Ms(timing.pollMs));
  asked.ptt = askPtt;
  asked.tuning = !askPtt || tuneNow || pollStart - tunedAt >= Ms(timing.tuningMs);
  tuneNow = false;
  auto command = std::make_shared<std::string>(RigPollCommand(asked));
  asio::async_write(socket, asio::buffer(*command),
                    [this, g, command](const boost::system::error_code& ec, std::size_t) {
    if (!Current(g)) return;
    if (ec) return Fail(ec.message());
    Read();
  });
}

// The next poll, or while the answer is not whole, its deadline's check.
void RigLink::Impl::ArmTick(Clock::time_point at) {
  const unsigned g = generation;
  pause.expires_at(at);
  pause.async_wait([this, g, at](const boost::system::error_code& ec) {
    if (ec || !Current(g)) return;
    if (!answering) return Poll();
    if (Clock::now() - pollStart < Ms(timing.replyTimeoutMs)) return ArmTick(at + Ms(timing.pollMs));
    Fail("no full answer within " + std::to_string(timing.replyTimeoutMs) + " ms");
  });
}

void RigLink::Impl::ReadMore(void (Impl::*then)()) {
  const unsigned g = generation;
  socket.async_read_some(asio::buffer(chunk), [this, g, then](const boost::system::error_code& ec, std::size_t n) {
    if (!Current(g)) return;
    if (ec == asio::error::eof) return Fail("rigctld closed the connection");
    if (ec) return Fail(ec.message());
    pending.append(chunk.data(), n);
    (this->*then)();
  });
}

void RigLink::Impl::Read() { ReadMore(&Impl::OnPollData); }

void RigLink::Impl::OnPollData() {
  const RigReply reply = ParseRigReply(pending, asked);
  if (reply.status == RigReplyStatus::Bad) return Fail("rigctld sent " + reply.bad);
  if (reply.status == RigReplyStatus::Incomplete) return Read();
  OnReply(reply);
  if (!answering && !halts.empty()) SendHalt();
}

void RigLink::Impl::OnReply(const RigReply& reply) {
  answering = false;
  backoffMs = 0;
  SayReply(reply);
  if (reply.pttUnsupported) askPtt = false;
  if (!asked.tuning && last.connected && reply.ptt != last.ptt) {
    tuneNow = true;  // an edge: stored with the tuning, asked for at once
    return Poll();
  }
  RigState state = last;
  state.connected = true;
  state.ptt = reply.ptt;
  if (asked.tuning) {
    state.frequencyHz = reply.frequencyHz;
    state.mode = reply.mode;
    state.passbandHz = reply.passbandHz;
    SetBand(state);
    tunedAt = pollStart;
  }
  box.Store(state);
  last = state;
}

// The lines an answer gives: the link up, the rig without PTT, the rig's
// errors (from the whole polls only, so that an error is compared with the
// same gets' errors).
void RigLink::Impl::SayReply(const RigReply& reply) {
  if (said != Said::Up) Say("connected to rigctld at " + RigAddressText(address));
  said = Said::Up;
  if (reply.pttUnsupported) {
    if (!saidNoPtt) Say("the rig reports no PTT; transmissions follow the power");
    saidNoPtt = true;
  } else if (reply.ptt) {
    saidNoPtt = false;
  }
  // Said when it first shows or changes, not each time it comes back.
  if (asked.tuning && !reply.rigError.empty() && reply.rigError != saidRigError) {
    Say("rigctld answers errors (" + reply.rigError + ")");
    saidRigError = reply.rigError;
  }
}

void RigLink::Impl::Fail(const std::string& why) {
  ++generation;
  connected = false;
  halting = false;
  for (const HaltDone& done : halts) ReportHalt(done, "failed", why);
  halts.clear();
  boost::system::error_code ignored;
  socket.close(ignored);
  resolver.cancel();
  deadline.cancel();
  pause.cancel();
  answering = false;
  last = RigState{};
  box.Store(last);
  if (said == Said::Up) Say("lost rigctld at " + RigAddressText(address) + " (" + why + "); reconnecting");
  if (said == Said::Nothing) {
    Say("rigctld at " + RigAddressText(address) + ": " + why + "; trying again in the background");
  }
  said = Said::Down;
  saidRigError.clear();
  backoffMs = backoffMs == 0 ? timing.backoffFirstMs : std::min(backoffMs * 2, timing.backoffMaxMs);
  const unsigned g = generation;
  pause.expires_after(Ms(backoffMs));
  pause.async_wait([this, g](const boost::system::error_code& ec) {
    if (!ec && Current(g)) Connect();
  });
}

RigLink::RigLink(RigAddress address, RigStateBox& box, std::function<void(const std::string&)> log,
                 RigLinkTiming timing)
    : impl_(std::make_unique<Impl>(std::move(address), box, std::move(log), timing)) {}

RigLink::~RigLink() { Stop(); }

void RigLink::Start() {
  if (impl_->thread.joinable()) return;
  impl_->io.restart();
  asio::post(impl_->io, [this] { impl_->Connect(); });
  impl_->thread = std::thread([this] {
    NameThisThread("swr-rig");
    impl_->io.run();
  });
}

void RigLink::Stop() {
  if (!impl_->thread.joinable()) return;
  asio::post(impl_->io, [this] {
    ++impl_->generation;
    boost::system::error_code ignored;
    impl_->socket.close(ignored);
    impl_->resolver.cancel();
    impl_->deadline.cancel();
    impl_->pause.cancel();
    impl_->io.stop();
  });
  impl_->thread.join();
  impl_->box.Store(RigState{});
}

void RigLink::RequestHalt(std::function<void(const HaltReport&)> done) {
  asio::post(impl_->io, [this, done = std::move(done)]() mutable { impl_->Halt(std::move(done)); });
}

std::function<void(const std::string&)> RigLogToStderr() {
  return [](const std::string& line) { std::cerr << "swrctl: rig: " + line + "\n" << std::flush; };
}

}  // namespace station
