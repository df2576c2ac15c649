// /metrics' text: a reading's samples only while it is live (its families
// announced always), the figures of the options given only, label values
// escaped as the format asks.
#include "station/metrics/metrics.h"

#include <gtest/gtest.h>

#include <string>

namespace station {
namespace {

constexpr std::int64_t kNow = 100000;

MetricsInput Connected(std::int64_t readingAgeMs) {
  MetricsInput in;
  in.version = "1.0.0";
  in.nowSteadyMs = kNow;
  in.snapshot.link.connected = true;
  Reading& r = in.snapshot.reading;
  r.sequence = 7;
  r.steadyMs = kNow - readingAgeMs;
  r.sensor = 2;
  r.power = 63.9;
  r.swr = 1.5;
  return in;
}

bool Has(const std::string& text, const std::string& line) {
  return text.find('\n' + line + '\n') != std::string::npos;
}

TEST(Metrics, ReadingSamplesOnlyWhileLive) {
  const std::string live = RenderMetrics(Connected(100));
  EXPECT_TRUE(Has(live, "swrpanel_reading_live 1"));
  EXPECT_TRUE(Has(live, "swrpanel_power_watts{sensor=\"2\"} 63.9"));
  EXPECT_TRUE(Has(live, "swrpanel_swr{sensor=\"2\"} 1.5"));
  const std::string stale = RenderMetrics(Connected(5000));
  EXPECT_TRUE(Has(stale, "swrpanel_reading_live 0"));
  EXPECT_TRUE(Has(stale, "# TYPE swrpanel_power_watts gauge"));
  EXPECT_EQ(stale.find("swrpanel_power_watts{"), std::string::npos);
  EXPECT_TRUE(Has(stale, "swrpanel_readings_total 7"));  // counters stay
}

TEST(Metrics, OptionalFiguresAndEscapedLabels) {
  MetricsInput in = Connected(100);
  std::string text = RenderMetrics(in);
  EXPECT_EQ(text.find("swrpanel_swr_alarm"), std::string::npos);
  EXPECT_EQ(text.find("swrpanel_rig_connected"), std::string::npos);
  in.rigConnected = false;
  in.rigFrequencyHz = 7100000;
  in.onAir = {{1, "4\"0m\\\n", 3, 12.5}};
  text = RenderMetrics(in);
  EXPECT_TRUE(Has(text, "swrpanel_rig_connected 0"));
  EXPECT_EQ(text.find("swrpanel_rig_frequency_hertz 7"), std::string::npos);
  EXPECT_TRUE(Has(text, "swrpanel_transmissions_total{sensor=\"1\",band=\"4\\\"0m\\\\\\n\"} 3"));
}

}  // namespace
}  // namespace station
