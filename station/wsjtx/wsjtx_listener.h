// The WSJT-X/JTDX listener: a UDP socket on a thread of its own (named
// swr-wsjtx) that takes each datagram, parses it with the sender's dialect
// and writes what the followed sender's Status says into a RigStateBox,
// like the rig link; each QSO a sender logs goes to the QSO callback, once;
// a halt asked for goes to the followed sender.
// It follows the first sender heard until that one closes or stays silent
// for the silence time; then the box says disconnected and the next
// sender's Status is followed. Nothing here waits
// on another thread's behalf: readers take the box's snapshot.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "station/core/halt_report.h"
#include "station/log/qso.h"
#include "station/rig/rig_state.h"
#include "station/wsjtx/wsjtx_options.h"

namespace station {

struct WsjtxListenerTiming {
  // Heartbeats come each 15 s: two missed ones make a sender silent.
  int silenceMs = 30000;
};

class WsjtxListener {
 public:
  // `log` gets one line (no newline) per change: a sender heard, closed or
  // silent, the first broken datagram. It runs on the listener's thread.
  WsjtxListener(WsjtxAddress address, RigStateBox& box,
                std::function<void(const std::string&)> log, WsjtxListenerTiming timing = {});
  ~WsjtxListener();  // Stop()
  WsjtxListener(const WsjtxListener&) = delete;
  WsjtxListener& operator=(const WsjtxListener&) = delete;

  // Opens the socket (and joins the group); false with `error` set when
  // the address cannot be had (in use, not this machine's).
  bool Open(std::string& error);
  // Before Start: `sink` gets each QSO logged by any sender heard (a QSO
  // Logged or a Logged ADIF, the second report of one dropped), on the
  // listener's thread. Without one, logged QSOs are ignored.
  void OnQso(std::function<void(const Qso&)> sink);
  void Start();
  // From any thread; returns at once. Sends Halt Tx (stop now, not only the
  // auto-sequencer) to the followed sender, at the address and with the id
  // its datagrams came with, from the listening socket; `done` gets "sent"
  // or "failed" and why (no sender heard, the send failed). UDP has no answer.
  void RequestHalt(std::function<void(const HaltReport&)> done);
  // Closes the socket and joins the thread; the box is left disconnected.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The log lines' writer for serve: "swrctl: wsjtx: ..." on stderr.
std::function<void(const std::string&)> WsjtxLogToStderr();

}  // namespace station
