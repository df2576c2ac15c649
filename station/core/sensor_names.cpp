// The sensors' names and their check; see sensor_names.h.
#include "station/core/sensor_names.h"

#include <cstdint>

#include "station/core/plain_text.h"

namespace station {
namespace {

SensorNames& Names() {
  static SensorNames names;
  return names;
}

// The next code point of UTF-8 `s` at `i` (advanced past it); -1 for a
// broken, overlong or surrogate sequence.
long NextCodePoint(const std::string& s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  const int extra = lead < 0x80             ? 0
                    : (lead >> 5) == 0x6    ? 1
                    : (lead >> 4) == 0xE    ? 2
                    : (lead >> 3) == 0x1E   ? 3
                                            : -1;
  if (extra < 0) return -1;
  long cp = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    if (i + k >= s.size() || (byte(i + k) & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  static const long kLeast[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kLeast[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

}  // namespace

void SetSensorNames(const SensorNames& names) { Names() = names; }

const std::string& SensorName(int sensor) {
  static const std::string none;
  return sensor >= 1 && sensor <= kSensorCount ? Names()[sensor - 1] : none;
}

std::string SensorTitle(int sensor) {
  const std::string& name = SensorName(sensor);
  return "Sensor " + std::to_string(sensor) + (name.empty() ? "" : " (" + name + ")");
}

bool ParseSensorName(const std::string& text, int& sensor, std::string& name, std::string& error) {
  const std::size_t eq = text.find('=');
  long n = 0;
  if (eq == std::string::npos || !ParseNumber(text.substr(0, eq), kSensorCount, n) || n < 1) {
    error = "--sensor-name must be N=TEXT with N 1, 2 or 3, such as 1=\"40 m dipole\", not " +
            Quoted(text.substr(0, 64));
    return false;
  }
  const std::string value = text.substr(eq + 1);
  std::size_t chars = 0;
  for (std::size_t i = 0; i < value.size(); ++chars) {
    const long cp = NextCodePoint(value, i);
    if (cp < 0) {
      error = "--sensor-name " + std::to_string(n) + ": the name is not UTF-8 text";
      return false;
    }
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) {
      error = "--sensor-name " + std::to_string(n) + ": the name holds a control character";
      return false;
    }
  }
  if (chars > 0 && value.find_first_not_of(' ') == std::string::npos) {
    error = "--sensor-name " + std::to_string(n) + ": the name is blanks only";
    return false;
  }
  if (chars == 0 || chars > kMaxSensorNameChars) {
    error = "--sensor-name " + std::to_string(n) + ": the name must be 1 to " +
            std::to_string(kMaxSensorNameChars) + " characters, not " + std::to_string(chars);
    return false;
  }
  sensor = static_cast<int>(n);
  name = value;
  return true;
}

}  // namespace station
