// Turns one input report into the texts of the five value fields.
#pragma once

#include <cstdint>

namespace swr {

// Fixed-size storage: decoding allocates nothing. Every text is
// zero-terminated.
struct DisplayTexts {
  bool hasSensor = false;  // false: the active-sensor field keeps its text
  char sensor[2] = {};     // "1", "2" or "3"
  char forward[4] = {};    // "0".."255"
  char reflected[4] = {};  // "0".."255"
  char swr[8] = {};        // "***" or "1.0".."25.5"
  char power[12] = {};     // "-1300.0".."1300.0", "+Infinity", "-Infinity", "***"
};

// report: the 9 bytes as read (byte 0 is the report ID and is ignored).
DisplayTexts DecodeReport(const std::uint8_t* report);

// The SWR text for the controller's SWR x 10.
void FormatSwr(std::uint8_t swrTenths, char (&out)[8]);
// The power text for forward F, reflected R and divisor K.
void FormatPower(std::uint8_t forward, std::uint8_t reflected, std::uint8_t divisor,
                 char (&out)[12]);
// value rounded to the nearest tenth (halfway away from zero), with one
// decimal, "." as separator and "-" for negative values, "-0.0" included.
// Identical on every platform: no printf involved. |value| < 1e9.
void FormatTenths(float value, bool negative, char* out);

}  // namespace swr
