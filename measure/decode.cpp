// Decoding a report: its values first (integers, so identical on every
// platform and compiler), then the panel's texts formatted from them.
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

// "n/10.n%10", with "-" before it when negative.
void PutTenths(unsigned long long n, bool negative, char* out) {
  if (negative) *out++ = '-';
  out = PutUnsigned(n / 10, out);
  *out++ = '.';
  *out++ = static_cast<char>('0' + n % 10);
  *out = '\0';
}

// value rounded to the nearest tenth, halfway away from zero: a float times
// 10 and plus one half is exact in double precision for the magnitudes
// shown here, so floor() rounds the exact binary value.
unsigned long long Tenths(float value) {
  return static_cast<unsigned long long>(
      std::floor(std::fabs(static_cast<double>(value)) * 10.0 + 0.5));
}

void PutText(const char* text, char* out) { std::memcpy(out, text, std::strlen(text) + 1); }

constexpr int kSwrFloorTenths = 10;
constexpr int kSquareDivisor = 50;

}  // namespace

void FormatTenths(float value, bool negative, char* out) { PutTenths(Tenths(value), negative, out); }

int SwrValue(std::uint8_t swrTenths) { return swrTenths < kSwrFloorTenths ? 0 : swrTenths; }

Power PowerValue(std::uint8_t forward, std::uint8_t reflected, std::uint8_t divisor) {
  const int a = forward * forward / kSquareDivisor;
  const int b = reflected * reflected / kSquareDivisor;
  const int d = a - b;
  Power p;
  if (divisor == 0) {
    // A positive or negative amount over zero is an infinity; zero over zero
    // has no value.
    p.kind = d > 0 ? Power::Kind::PlusInfinity : d < 0 ? Power::Kind::MinusInfinity
                                                       : Power::Kind::None;
    return p;
  }
  p.kind = Power::Kind::Watts;
  p.negative = d < 0;
  p.tenths = static_cast<std::uint32_t>(Tenths(static_cast<float>(d) / static_cast<float>(divisor)));
  return p;
}

void FormatSwrValue(int swrTenths, char (&out)[8]) {
  if (swrTenths < kSwrFloorTenths) return PutText("***", out);
  PutTenths(static_cast<unsigned long long>(swrTenths), false, out);
}

void FormatPowerValue(const Power& power, char (&out)[12]) {
  switch (power.kind) {
    case Power::Kind::Watts:
      return PutTenths(power.tenths, power.negative, out);
    case Power::Kind::PlusInfinity:
      return PutText("+Infinity", out);
    case Power::Kind::MinusInfinity:
      return PutText("-Infinity", out);
    case Power::Kind::None:
      break;
  }
  PutText("***", out);
}

void FormatSwr(std::uint8_t swrTenths, char (&out)[8]) { FormatSwrValue(SwrValue(swrTenths), out); }

void FormatPower(std::uint8_t forward, std::uint8_t reflected, std::uint8_t divisor,
                 char (&out)[12]) {
  FormatPowerValue(PowerValue(forward, reflected, divisor), out);
}

Measurement Measure(const std::uint8_t* report) {
  Measurement m;
  const std::uint8_t sensor = report[input::activeSensor];
  if (sensor >= 1 && sensor <= 3) m.sensor = sensor;
  m.forward = report[input::forwardLevel];
  m.reflected = report[input::reflectedLevel];
  m.divisor = report[input::powerDivisor];
  m.swrTenths = SwrValue(report[input::swrTenths]);
  m.power = PowerValue(m.forward, m.reflected, m.divisor);
  return m;
}

DisplayTexts Texts(const Measurement& m) {
  DisplayTexts texts;
  if (m.sensor >= 1 && m.sensor <= 3) {
    texts.hasSensor = true;
    texts.sensor[0] = static_cast<char>('0' + m.sensor);
  }
  *PutUnsigned(m.forward, texts.forward) = '\0';
  *PutUnsigned(m.reflected, texts.reflected) = '\0';
  FormatSwrValue(m.swrTenths, texts.swr);
  FormatPowerValue(m.power, texts.power);
  return texts;
}

DisplayTexts DecodeReport(const std::uint8_t* report) { return Texts(Measure(report)); }

}  // namespace swr
