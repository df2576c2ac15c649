// Turns one input report into values (the sensor, the levels, the divisor,
// the SWR and the power) and those into the texts of the five value fields.
#pragma once

#include <cstdint>

namespace swr {

// The power as the panel has it: watts to the tenth, an infinity when the
// divisor is 0, or none (zero over zero).
struct Power {
  enum class Kind : std::uint8_t { None, Watts, PlusInfinity, MinusInfinity };
  Kind kind = Kind::None;
  bool negative = false;     // Watts: below zero, also when it rounds to 0.0 ("-0.0")
  std::uint32_t tenths = 0;  // Watts: the magnitude in tenths of a watt
  bool IsNumber() const { return kind == Kind::Watts; }
  // Watts only: the signed value, -0.0 included.
  double Watts() const {
    const double magnitude = static_cast<double>(tenths) / 10.0;
    return negative ? -magnitude : magnitude;
  }
};

// One report's values.
struct Measurement {
  int sensor = 0;              // 1..3; 0: the report names none (the field keeps its text)
  std::uint8_t forward = 0;    // forward level F
  std::uint8_t reflected = 0;  // reflected level R
  std::uint8_t divisor = 0;    // K
  int swrTenths = 0;           // SWR x 10, at least 10; 0: below 1.0, no number ("***")
  Power power;
  bool HasSwr() const { return swrTenths != 0; }
  double Swr() const { return static_cast<double>(swrTenths) / 10.0; }
};

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
Measurement Measure(const std::uint8_t* report);
// The panel's texts of the values.
DisplayTexts Texts(const Measurement& m);
// Texts(Measure(report)).
DisplayTexts DecodeReport(const std::uint8_t* report);

// The value of the controller's SWR x 10: 0 (none) below 1.0.
int SwrValue(std::uint8_t swrTenths);
// The power for forward F, reflected R and divisor K.
Power PowerValue(std::uint8_t forward, std::uint8_t reflected, std::uint8_t divisor);

// The SWR text of a Measurement's swrTenths.
void FormatSwrValue(int swrTenths, char (&out)[8]);
// The power text of a Power.
void FormatPowerValue(const Power& power, char (&out)[12]);
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
