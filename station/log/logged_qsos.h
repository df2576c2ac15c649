// The QSOs the station log has stored, or filled in with what the meter
// measured, since the server started: the count per band (for /metrics) and
// the last of them, each with a sequence number so that a reader on another
// thread (MQTT, the event streams) takes each one once. Written by the log's
// writer after a commit; read from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "station/log/qso.h"

namespace station {

// The QSOs stored on one band ("" when the band is not known).
struct QsoBandCount {
  std::string band;
  std::uint64_t qsos = 0;
};

class LoggedQsos {
 public:
  // `qso` as it now is in the file: just stored (`stored`), or stored
  // earlier and its measurement since filled in or changed.
  void Add(const Qso& qso, bool stored);
  std::vector<QsoBandCount> Counts() const;
  // The QSOs added after sequence `seen`, oldest first (at most the last
  // kKept); returns the sequence of the newest.
  std::uint64_t Since(std::uint64_t seen, std::vector<Qso>& out) const;
  // The sequence of the newest (0: none yet).
  std::uint64_t Newest() const;

  static constexpr std::size_t kKept = 16;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::uint64_t> counts_;
  std::deque<std::pair<std::uint64_t, Qso>> recent_;
  std::uint64_t sequence_ = 0;
};

}  // namespace station
