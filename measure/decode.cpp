// Decoding an input report into the five field texts: the sensor, forward
// and reflected as read, the SWR in tenths and the power from both levels.
#include "measure/decode.h"

#include <cmath>
#include <cstring>

#include "device/reports.h"

namespace swr {

namespace {

// Writes the decimal digits of n and returns the position after them.
char* PutUnsigned(unsigned long long n, char* out) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

constexpr float kSwrScale = 10.0f;
constexpr float kSwrFloor = 1.0f;
constexpr int kSquareDivisor = 50;

}  // namespace

void FormatTenths(float value, bool negative, char* out) {
  // A float times 10 and plus one half is exact in double precision for the
  // magnitudes shown here, so floor() rounds the exact binary value.
  const double tenths = std::floor(std::fabs(static_cast<double>(value)) * 10.0 + 0.5);
  const auto n = static_cast<unsigned long long>(tenths);
  if (negative) *out++ = '-';
  out = PutUnsigned(n / 10, out);
  *out++ = '.';
  *out++ = static_cast<char>('0' + n % 10);
  *out = '\0';
}

void FormatSwr(std::uint8_t swrTenths, char (&out)[8]) {
  const float swr = static_cast<float>(swrTenths) / kSwrScale;
  if (swr < kSwrFloor) {
    std::memcpy(out, "***", 4);
    return;
  }
  FormatTenths(swr, false, out);
}

void FormatPower(std::uint8_t forward, std::uint8_t reflected, std::uint8_t divisor,
                 char (&out)[12]) {
  const int a = forward * forward / kSquareDivisor;
  const int b = reflected * reflected / kSquareDivisor;
  const int d = a - b;
  if (divisor == 0) {
    // A positive or negative amount over zero is an infinity; zero over zero
    // has no value to show.
    const char* text = d > 0 ? "+Infinity" : d < 0 ? "-Infinity" : "***";
    std::memcpy(out, text, std::strlen(text) + 1);
    return;
  }
  const float power = static_cast<float>(d) / static_cast<float>(divisor);
  FormatTenths(power, d < 0, out);
}

DisplayTexts DecodeReport(const std::uint8_t* report) {
  DisplayTexts texts;
  const std::uint8_t sensor = report[input::activeSensor];
  if (sensor >= 1 && sensor <= 3) {
    texts.hasSensor = true;
    texts.sensor[0] = static_cast<char>('0' + sensor);
  }
  *PutUnsigned(report[input::forwardLevel], texts.forward) = '\0';
  *PutUnsigned(report[input::reflectedLevel], texts.reflected) = '\0';
  FormatSwr(report[input::swrTenths], texts.swr);
  FormatPower(report[input::forwardLevel], report[input::reflectedLevel],
              report[input::powerDivisor], texts.power);
  return texts;
}

}  // namespace swr
