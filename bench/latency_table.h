// The table both reader benchmarks print: per report rate, the readings
// shown per second, the latency from report to power text (median, 99th
// percentile, maximum) and the CPU time per second.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
  return v[i];
}

inline void PrintHeader() {
  std::printf("    rate  shown/s  median ms     p99 ms     max ms  CPU ms/s\n");
}

// `latenciesMs`: one per reading shown in `seconds`.
inline void PrintRow(int rate, double seconds, double cpuSeconds,
                     const std::vector<double>& latenciesMs) {
  const double max =
      latenciesMs.empty() ? 0.0 : *std::max_element(latenciesMs.begin(), latenciesMs.end());
  std::printf("%6d/s  %8.1f  %9.1f  %9.1f  %9.1f  %11.2f\n", rate,
              static_cast<double>(latenciesMs.size()) / seconds, Percentile(latenciesMs, 0.5),
              Percentile(latenciesMs, 0.99), max, 1000.0 * cpuSeconds / seconds);
}

}  // namespace bench
