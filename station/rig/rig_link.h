// The link to hamlib's rigctld over TCP, on a thread of its own: polls the
// rig's PTT five times a second and its frequency and mode once a second and
// at each PTT edge, into a RigStateBox, sends PTT off when asked,
// reconnects by itself with a backoff, and bounds everything a server can
// do wrong (no listener, closing, silence, errors, garbage, endless or
// dripping lines) in time and size. Nothing here waits on another thread's
// behalf: readers take the box's snapshot.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "station/core/halt_report.h"
#include "station/rig/rig_options.h"
#include "station/rig/rig_state.h"

namespace station {

struct RigLinkTiming {
  // One poll per period: a PTT edge is seen within the period and the
  // tuning's answer. Each poll costs two wake-ups of the thread (the tick and
  // the answer), which on a busy machine outweigh the bytes.
  int pollMs = 200;
  int replyTimeoutMs = 1000;  // a poll's whole answer, from the write
  int connectTimeoutMs = 2000;
  int backoffFirstMs = 250;   // the first retry; doubles up to backoffMaxMs
  int backoffMaxMs = 5000;
  // The frequency and mode at least this often; PTT alone in between. Each
  // get costs the link a wake-up, and the tuning rarely changes between overs.
  int tuningMs = 1000;
};

class RigLink {
 public:
  // `log` gets one line (no newline) per change of the link's state: up,
  // down and why, PTT missing, rig errors. It runs on the link's thread.
  RigLink(RigAddress address, RigStateBox& box, std::function<void(const std::string&)> log,
          RigLinkTiming timing = {});
  ~RigLink();  // Stop()
  RigLink(const RigLink&) = delete;
  RigLink& operator=(const RigLink&) = delete;

  void Start();
  // From any thread; returns at once. Sends rigctld "T 0" (PTT off) on the
  // link's own connection, after the poll in flight if one is; `done` gets
  // "sent" when it has left, then "answered" (RPRT 0) or "failed" and why
  // (an error, no answer within the reply timeout, no connection).
  void RequestHalt(std::function<void(const HaltReport&)> done);
  // Closes the connection and joins the thread; the box is left disconnected.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The log lines' writer for serve: "swrctl: rig: ..." on stderr.
std::function<void(const std::string&)> RigLogToStderr();

}  // namespace station
