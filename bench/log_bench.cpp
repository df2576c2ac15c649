// The station log with a busy station's year: 500,000 transmissions and 30
// days of per-second history (a quarter of it transmitting), generated into
// a file; then the queries behind the API, timed as the server runs them.
// usage: log_bench FILE   (FILE is made anew and kept for serve_bench)
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "station/log/log_db.h"
#include "station/log/log_routes.h"

namespace {

using station::LogDb;

constexpr int kTransmissions = 500000;
constexpr std::int64_t kHistorySeconds = 30 * 86400;
constexpr std::int64_t kYearMs = 365LL * 86400 * 1000;

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

bool Generate(const std::string& path, std::int64_t nowMs) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  LogDb db;
  std::string error;
  if (db.Open(path, true, error) != station::LogOpen::Ok) {
    std::fprintf(stderr, "log_bench: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  db.Exec("BEGIN", error);
  station::Statement tx(db.get(),
      "INSERT INTO transmissions(start_unix_ms, end_unix_ms, start_local, end_local, sensor,"
      " peak_power, average_power, max_swr, swr_at_peak, forward_at_peak, reflected_at_peak,"
      " readings, cut_short) VALUES(?1, ?2, '2026-01-01T00:00:00.000+01:00',"
      " '2026-01-01T00:00:12.900+01:00', ?3, ?4, ?5, ?6, ?6, 180, 20, 129, 0)");
  const std::int64_t step = kYearMs / kTransmissions;  // one every 63 s
  for (int i = 0; i < kTransmissions; ++i) {
    const std::int64_t start = nowMs - kYearMs + i * step;
    sqlite3_bind_int64(tx.get(), 1, start);
    sqlite3_bind_int64(tx.get(), 2, start + 12900 + (i % 40) * 1000);
    sqlite3_bind_int(tx.get(), 3, 1 + i % 3);
    sqlite3_bind_double(tx.get(), 4, 50 + i % 50);
    sqlite3_bind_double(tx.get(), 5, 40 + i % 40);
    sqlite3_bind_double(tx.get(), 6, 1.1 + (i % 9) / 10.0);
    sqlite3_step(tx.get());
    sqlite3_reset(tx.get());
  }
  station::Statement h(db.get(), "INSERT INTO history VALUES(?1, ?2, 1.3)");
  station::Statement m(db.get(), "INSERT OR REPLACE INTO history_minute VALUES(?1, ?2, 1.3)");
  const std::int64_t first = nowMs / 1000 - kHistorySeconds;
  for (std::int64_t s = first; s < nowMs / 1000; ++s) {
    const bool on = s % 60 < 15;  // a quarter of the time
    sqlite3_bind_int64(h.get(), 1, s);
    sqlite3_bind_double(h.get(), 2, on ? 80.0 : 0.0);
    sqlite3_step(h.get());
    sqlite3_reset(h.get());
    if (s % 60 == 0) {
      sqlite3_bind_int64(m.get(), 1, s);
      sqlite3_bind_double(m.get(), 2, 80.0);
      sqlite3_step(m.get());
      sqlite3_reset(m.get());
    }
  }
  return db.Exec("COMMIT", error);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "log_bench.db";
  const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
  auto t0 = std::chrono::steady_clock::now();
  if (!Generate(path, now)) return 1;
  const double generated = Ms(t0);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  std::printf("station log, a busy year (%d transmissions, 30 days of history): %.1f MB,"
              " generated in %.1f s\n", kTransmissions, size / 1e6, generated / 1000);
  {
    // As the server opens it: its quick check of the whole file included.
    LogDb writer;
    std::string error;
    t0 = std::chrono::steady_clock::now();
    if (writer.Open(path, true, error) != station::LogOpen::Ok || writer.checkCutShort()) {
      std::fprintf(stderr, "log_bench: the writer's opening failed: %s\n", error.c_str());
      return 1;
    }
    std::printf("  the server's opening of it, its quick check included: %.0f ms (<= %d s)\n",
                Ms(t0), station::kLogCheckSeconds);
  }

  std::vector<double> day;
  for (int i = 0; i < 41; ++i) {
    const std::int64_t from = now - (i + 1) * 86400000LL * 8;
    t0 = std::chrono::steady_clock::now();
    const auto r = station::TransmissionsReply(
        path, "from=" + std::to_string(from) + "&to=" + std::to_string(from + 86400000) +
                  "&limit=1000", false);
    day.push_back(Ms(t0));
    if (r.status != 200) return 1;
  }
  std::sort(day.begin(), day.end());
  std::printf("  | query | time | target |\n  |---|---|---|\n");
  std::printf("  | transmissions of one day (1000 max), p50 | %.1f ms | <= 20 ms |\n", day[20]);
  t0 = std::chrono::steady_clock::now();
  const auto csv = station::TransmissionsReply(
      path, "from=" + std::to_string(now - 30 * 86400000LL), true);
  std::printf("  | CSV of 30 days (%zu bytes) | %.0f ms | <= 1000 ms |\n", csv.body.size(), Ms(t0));
  t0 = std::chrono::steady_clock::now();
  const auto history = station::HistoryReply(path, 604800, now);
  std::printf("  | history of 7 days (%zu bytes) | %.1f ms | <= 50 ms |\n", history.body.size(),
              Ms(t0));
  t0 = std::chrono::steady_clock::now();
  const auto summary = station::SummaryReply(
      path, "from=" + std::to_string(now - kYearMs) + "&to=" + std::to_string(now + 1), now);
  std::printf("  | summary of 365 days | %.0f ms | <= 200 ms |\n", Ms(t0));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("  | peak resident memory of these queries | %.1f MB | <= 20 MB |\n",
              usage.ru_maxrss / 1024.0);
  return csv.status == 200 && history.status == 200 && summary.status == 200 ? 0 : 1;
}
