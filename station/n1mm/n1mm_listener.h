// The N1MM Logger+ listener: a UDP socket (the port shared with the other
// programs that take N1MM's broadcasts) on a thread of its own (named
// swr-n1mm). It follows the first station (N1MM computer) whose RadioInfo
// it hears and writes the radio the meter is on (ChosenRadio) into a
// RigStateBox, until that station stays silent for the silence time; then
// the box says disconnected and the next station heard is followed. Each
// contact any station logs goes to the QSO callback, once.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "station/log/qso.h"
#include "station/rig/rig_state.h"
#include "station/udp/udp_address.h"

namespace station {

struct N1mmListenerTiming {
  // RadioInfo comes at least each 10 s: three missed make a station silent.
  int silenceMs = 30000;
};

class N1mmListener {
 public:
  // `log` gets one line (no newline) per change: a station heard or
  // silent, the first broken datagram. It runs on the listener's thread.
  N1mmListener(UdpAddress address, RigStateBox& box, std::function<void(const std::string&)> log,
               N1mmListenerTiming timing = {});
  ~N1mmListener();  // Stop()
  N1mmListener(const N1mmListener&) = delete;
  N1mmListener& operator=(const N1mmListener&) = delete;

  // Opens the socket; false with `error` set when the address cannot be had.
  bool Open(std::string& error);
  // Before Start: `sink` gets each logged contact as a QSO, on the
  // listener's thread.
  void OnQso(std::function<void(const Qso&)> sink);
  void Start();
  // Closes the socket and joins the thread; the box is left disconnected.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The log lines' writer for serve: "swrctl: n1mm: ..." on stderr.
std::function<void(const std::string&)> N1mmLogToStderr();

}  // namespace station
