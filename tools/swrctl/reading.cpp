// One printed line of swrctl watch; see reading.h.
#include "tools/swrctl/reading.h"

#include <nlohmann/json.hpp>
#include <vector>

#include "device/reports.h"
#include "measure/decode.h"
#include "station/core/csv_cell.h"

namespace swrctl {
using namespace ::station;

std::string HeaderLine(Format format) {
  return format == Format::Csv ? "time,sensor,forward,reflected,swr,power" : "";
}

std::string ReadingLine(Format format, const LocalTime& time, const std::uint8_t* report) {
  // The panel's own texts. A sensor number outside 1..3 leaves the panel's
  // field as it was; a line of its own has no sensor then.
  const swr::DisplayTexts texts = swr::DecodeReport(report);
  const std::string stamp = FormatTimestamp(time);
  std::string line;
  switch (format) {
    case Format::Adif:  // refused for watch by the command line
    case Format::Text:
      line = stamp + " sensor=" + (texts.hasSensor ? texts.sensor : "-") +
             " forward=" + texts.forward + " reflected=" + texts.reflected +
             " swr=" + texts.swr + " power=" + texts.power;
      break;
    case Format::Csv:
      // Sensor, forward and reflected are always numbers; SWR and power are
      // numbers or the panel's words ("***", "+Infinity"), which are text.
      line = CsvText(stamp) + "," + (texts.hasSensor ? texts.sensor : "") + "," + texts.forward +
             "," + texts.reflected + "," + CsvNumberOrText(texts.swr) + "," +
             CsvNumberOrText(texts.power);
      break;
    case Format::Json: {
      // sensor, forward and reflected are always numbers; swr and power are
      // the panel's texts ("***", "+Infinity" among them), hence strings.
      nlohmann::ordered_json o;
      o["time"] = stamp;
      o["sensor"] = texts.hasSensor ? nlohmann::ordered_json(texts.sensor[0] - '0') : nullptr;
      o["forward"] = report[3];
      o["reflected"] = report[4];
      o["swr"] = texts.swr;
      o["power"] = texts.power;
      o["raw"] = std::vector<int>(report, report + swr::kReportSize);
      line = o.dump();
      break;
    }
  }
  return line;
}

}  // namespace swrctl
