// Decoding input reports: power against a reference for every level and
// divisor, the SWR texts, the sensor field and the bytes that are ignored.
#include "measure/decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace {

using swr::DecodeReport;
using swr::DisplayTexts;

DisplayTexts Decode(int sensor, int f, int r, int k, int swrTenths) {
  const std::uint8_t report[9] = {0,
                                  0,
                                  static_cast<std::uint8_t>(sensor),
                                  static_cast<std::uint8_t>(f),
                                  static_cast<std::uint8_t>(r),
                                  static_cast<std::uint8_t>(k),
                                  static_cast<std::uint8_t>(swrTenths),
                                  0,
                                  0};
  return DecodeReport(report);
}

// Independent reference: the float quotient decomposed into an integer
// mantissa and a power of two, then 10 x quotient rounded half away from
// zero in integer arithmetic.
std::string ReferencePower(int f, int r, int k) {
  const int d = f * f / 50 - r * r / 50;
  if (k == 0) return d > 0 ? "+Infinity" : d < 0 ? "-Infinity" : "***";
  const float q = static_cast<float>(d) / static_cast<float>(k);
  int exponent = 0;
  const float mantissa = std::frexp(std::fabs(q), &exponent);  // q = m * 2^e
  const auto m = static_cast<std::uint64_t>(std::ldexp(mantissa, 24));
  exponent -= 24;
  std::uint64_t tenths;
  if (exponent >= 0) {
    tenths = (m * 10) << exponent;
  } else {
    const std::uint64_t num = m * 10;
    const std::uint64_t den = std::uint64_t{1} << (-exponent);
    tenths = num / den + ((num % den) * 2 >= den ? 1 : 0);
  }
  std::string text = d < 0 ? "-" : "";
  text += std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
  return text;
}

TEST(Decode, PowerMatchesReferenceForEveryForwardReflectedAndDivisor) {
  int mismatches = 0;
  for (int f = 0; f < 256; ++f) {
    for (int r = 0; r < 256; ++r) {
      for (int k = 0; k < 256; ++k) {
        char text[12];
        swr::FormatPower(static_cast<std::uint8_t>(f), static_cast<std::uint8_t>(r),
                         static_cast<std::uint8_t>(k), text);
        const std::string expected = ReferencePower(f, r, k);
        if (expected != text && ++mismatches <= 10) {
          ADD_FAILURE() << "F=" << f << " R=" << r << " K=" << k << ": got " << text
                        << ", expected " << expected;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Decode, PowerWorkedExamples) {
  struct Case {
    int f, r, k;
    const char* power;
  };
  const Case cases[] = {
      {100, 20, 1, "192.0"},  {255, 0, 1, "1300.0"},    {255, 0, 24, "54.2"},
      {0, 10, 1, "-2.0"},     {0, 255, 1, "-1300.0"},   {10, 12, 24, "0.0"},
      {8, 10, 24, "-0.0"},    {50, 0, 0, "+Infinity"},  {0, 50, 0, "-Infinity"},
      {0, 0, 0, "***"},       {255, 255, 0, "***"},
      // d = 6, K = 24 is exactly 0.25: halfway rounds away from zero.
      {18, 0, 24, "0.3"},     {0, 18, 24, "-0.3"},
      // -977 / 20 is -48.85, but as a float -48.8499985: rounded from the
      // float. Computed with more precision it would give "-48.9".
      {119, 251, 20, "-48.8"}, {8, 100, 20, "-9.9"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(Decode(1, c.f, c.r, c.k, 0).power, c.power)
        << "F=" << c.f << " R=" << c.r << " K=" << c.k;
  }
  for (int k = 1; k < 256; ++k) {
    EXPECT_STREQ(Decode(1, 7, 0, k, 0).power, "0.0") << "K=" << k;
    EXPECT_STREQ(Decode(1, 255, 255, k, 0).power, "0.0") << "K=" << k;
  }
}

TEST(Decode, SwrForEveryValue) {
  for (int t = 0; t < 256; ++t) {
    const std::string expected =
        t < 10 ? "***" : std::to_string(t / 10) + "." + std::to_string(t % 10);
    EXPECT_EQ(Decode(1, 0, 0, 1, t).swr, expected) << "swrTenths=" << t;
  }
  EXPECT_STREQ(Decode(1, 0, 0, 1, 9).swr, "***");
  EXPECT_STREQ(Decode(1, 0, 0, 1, 10).swr, "1.0");
  EXPECT_STREQ(Decode(1, 0, 0, 1, 255).swr, "25.5");
}

TEST(Decode, ActiveSensorOnlyForOneToThree) {
  for (int s = 0; s < 256; ++s) {
    const DisplayTexts texts = Decode(s, 0, 0, 1, 0);
    if (s >= 1 && s <= 3) {
      EXPECT_TRUE(texts.hasSensor);
      EXPECT_EQ(texts.sensor, std::to_string(s));
    } else {
      EXPECT_FALSE(texts.hasSensor) << "sensor byte " << s;
    }
    // The other fields are decoded whatever the sensor byte says.
    EXPECT_STREQ(texts.forward, "0");
  }
}

TEST(Decode, ForwardAndReflectedAreThePlainReadings) {
  for (int v = 0; v < 256; ++v) {
    const DisplayTexts texts = Decode(2, v, 255 - v, 1, 15);
    EXPECT_EQ(texts.forward, std::to_string(v));
    EXPECT_EQ(texts.reflected, std::to_string(255 - v));
  }
}

TEST(Decode, AllZeroReport) {
  const std::uint8_t zeros[9] = {};
  const DisplayTexts texts = DecodeReport(zeros);
  EXPECT_FALSE(texts.hasSensor);
  EXPECT_STREQ(texts.forward, "0");
  EXPECT_STREQ(texts.reflected, "0");
  EXPECT_STREQ(texts.swr, "***");
  EXPECT_STREQ(texts.power, "***");
}

TEST(Decode, BytesOneSevenEightAndReportIdAreIgnored) {
  const std::uint8_t a[9] = {0, 0, 2, 100, 20, 1, 15, 0, 0};
  const std::uint8_t b[9] = {7, 99, 2, 100, 20, 1, 15, 200, 201};
  const DisplayTexts x = DecodeReport(a);
  const DisplayTexts y = DecodeReport(b);
  EXPECT_STREQ(x.power, y.power);
  EXPECT_STREQ(x.swr, y.swr);
  EXPECT_STREQ(x.sensor, y.sensor);
}

// The values behind the texts: what the station hands on as numbers. The
// number of a power is the text's, to the tenth and with its sign (-0.0).
TEST(Decode, ValuesAreTheTextsNumbers) {
  struct Case {
    int sensor, f, r, k, swrTenths;
    int wantSensor, wantSwrTenths;
    swr::Power::Kind kind;
    double watts;
  };
  const Case cases[] = {
      {2, 100, 20, 1, 15, 2, 15, swr::Power::Kind::Watts, 192.0},
      {1, 50, 0, 3, 9, 1, 0, swr::Power::Kind::Watts, 16.7},
      {3, 5, 8, 100, 10, 3, 10, swr::Power::Kind::Watts, -0.0},
      {0, 200, 0, 0, 255, 0, 255, swr::Power::Kind::PlusInfinity, 0},
      {7, 0, 200, 0, 17, 0, 17, swr::Power::Kind::MinusInfinity, 0},
      {1, 0, 0, 0, 17, 1, 17, swr::Power::Kind::None, 0},
  };
  for (const Case& c : cases) {
    const std::uint8_t report[9] = {0, 0, static_cast<std::uint8_t>(c.sensor),
                                    static_cast<std::uint8_t>(c.f), static_cast<std::uint8_t>(c.r),
                                    static_cast<std::uint8_t>(c.k),
                                    static_cast<std::uint8_t>(c.swrTenths), 0, 0};
    const swr::Measurement m = swr::Measure(report);
    EXPECT_EQ(m.sensor, c.wantSensor);
    EXPECT_EQ(m.forward, c.f);
    EXPECT_EQ(m.reflected, c.r);
    EXPECT_EQ(m.divisor, c.k);
    EXPECT_EQ(m.swrTenths, c.wantSwrTenths);
    ASSERT_EQ(m.power.kind, c.kind) << c.f << " " << c.r << " " << c.k;
    if (m.power.IsNumber()) {
      EXPECT_EQ(m.power.Watts(), c.watts);
      EXPECT_EQ(std::signbit(m.power.Watts()), std::signbit(c.watts));
    }
    // 1.7 exactly, not 1.7 parsed digit by digit (1.7000000000000002).
    if (m.HasSwr()) {
      EXPECT_EQ(m.Swr(), c.wantSwrTenths / 10.0);
    }
  }
}

}  // namespace
