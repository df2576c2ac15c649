// --sensor-name N=TEXT: what is taken, and that each refusal says why.
#include "station/core/sensor_names.h"

#include <gtest/gtest.h>

namespace station {
namespace {

TEST(SensorNames, NumberedPrintableUtf8UpTo32Characters) {
  const struct {
    const char* text;
    int sensor;          // 0: refused
    const char* reason;  // a part of the error when refused
  } cases[] = {
      {"1=40 m dipole", 1, nullptr},
      {"3=Антенна \"Яги\" 20 м", 3, nullptr},
      {"2=\xF0\x9F\x93\xA1", 2, nullptr},                 // one character, four bytes
      {"2=12345678901234567890123456789012", 2, nullptr},  // 32
      {"2=123456789012345678901234567890123", 0, "1 to 32 characters, not 33"},
      {"1=", 0, "1 to 32 characters, not 0"},
      {"1=   ", 0, "blanks only"},
      {"4=Beam", 0, "N 1, 2 or 3"},
      {"0=Beam", 0, "N 1, 2 or 3"},
      {"Beam", 0, "N=TEXT"},
      {"1=tab\there", 0, "control character"},
      {"1=c1\xC2\x85", 0, "control character"},
      {"1=\xC0\xAF", 0, "not UTF-8"},   // overlong
      {"1=\xED\xA0\x80", 0, "not UTF-8"},  // a surrogate
      {"1=cut\xE2\x82", 0, "not UTF-8"},
  };
  for (const auto& c : cases) {
    int sensor = 0;
    std::string name, error;
    ASSERT_EQ(ParseSensorName(c.text, sensor, name, error), c.sensor != 0) << c.text << ": " << error;
    if (c.sensor != 0) {
      EXPECT_EQ(sensor, c.sensor) << c.text;
      EXPECT_EQ(name, std::string(c.text).substr(2)) << c.text;
    } else {
      EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << ": " << error;
    }
  }
}

}  // namespace
}  // namespace station
