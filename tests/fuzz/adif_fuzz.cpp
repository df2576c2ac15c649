// Fuzz target: an ADIF file filled in. Whatever the bytes, the reader stays
// within them, and a file that reads is written back whole: with nothing
// matched, byte for byte; with everything matched, still readable and
// holding as many records.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "station/log/adif_fill.h"

namespace {

long Records(const std::string& text) {
  station::AdifReader reader(text);
  std::string error;
  if (!reader.ReadHeader(error)) return -1;
  station::AdifRecord r;
  long n = 0;
  while (reader.Next(r, error)) ++n;
  return error.empty() ? n : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  station::AdifFillCounts counts;
  std::string error;
  std::ostringstream none;
  const bool read = station::FillAdif(
      text, [](const station::Qso&) { return std::nullopt; }, {}, none, counts, error);
  if (read && none.str() != text) __builtin_trap();
  if (!read && (error.empty() || !none.str().empty())) __builtin_trap();
  if (!read) return 0;
  std::ostringstream all;
  const station::QsoMeasure measure = [](const station::Qso&) {
    return std::optional<station::QsoMeasurement>(station::QsoMeasurement{1, 100, 80, 1.5, 1000, 1});
  };
  if (!station::FillAdif(text, measure, {true}, all, counts, error)) __builtin_trap();
  if (Records(all.str()) != counts.records) __builtin_trap();
  return 0;
}
