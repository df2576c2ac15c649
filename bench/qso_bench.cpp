// QSOs and ADIF with a busy station's year: 500,000 transmissions on four
// bands and 50,000 QSOs, generated into a file; then /api/v1/qsos.adi of
// the year, and `swrctl adif fill` (the program itself, as a child, so its
// memory is its own) of a 100,000-record ADIF file against that log.
// usage: qso_bench SWRCTL DIR   (DIR gets the log and the ADIF files)
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "station/log/log_db.h"
#include "station/log/log_routes.h"
#include "station/log/qso_format.h"

namespace {

using station::LogDb;

constexpr int kTransmissions = 500000;
constexpr int kQsos = 50000;
constexpr int kAdifRecords = 100000;
constexpr std::int64_t kYearMs = 365LL * 86400 * 1000;
const char* const kBands[] = {"20m", "40m", "15m", "10m"};

double CpuMs(const rusage& u) {
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

// FT8 overs of 12.64 s one every 63 s; a QSO every tenth over, logged over
// three of them.
bool Generate(const std::string& path, std::int64_t nowMs) {
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  LogDb db;
  std::string error;
  if (db.Open(path, true, error) != station::LogOpen::Ok) {
    std::fprintf(stderr, "qso_bench: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  db.Exec("BEGIN", error);
  station::Statement tx(db.get(),
      "INSERT INTO transmissions(start_unix_ms, end_unix_ms, start_local, end_local, sensor,"
      " peak_power, average_power, max_swr, swr_at_peak, forward_at_peak, reflected_at_peak,"
      " readings, cut_short, band, mode) VALUES(?1, ?2, '2026-01-01T00:00:00.000+01:00',"
      " '2026-01-01T00:00:12.640+01:00', 1, ?3, ?4, ?5, ?5, 180, 20, 126, 0, ?6, 'FT8')");
  station::Statement qso(db.get(),
      "INSERT INTO qsos(call, grid, band, frequency_hz, mode, report_sent, report_received,"
      " time_on_unix_ms, time_off_unix_ms, sender, transmissions, peak_power, average_power,"
      " max_swr, on_air_ms, sensor) VALUES('DL1XYZ', 'JO62', ?1, 14074000, 'FT8', '-10', '-12',"
      " ?2, ?3, 'WSJT-X', 3, ?4, ?5, 1.4, 37920, 1)");
  const std::int64_t step = kYearMs / kTransmissions;
  for (int i = 0; i < kTransmissions; ++i) {
    const std::int64_t start = nowMs - kYearMs + i * step;
    const char* band = kBands[(i / 1000) % 4];
    sqlite3_bind_int64(tx.get(), 1, start);
    sqlite3_bind_int64(tx.get(), 2, start + 12640);
    sqlite3_bind_double(tx.get(), 3, 50 + i % 50);
    sqlite3_bind_double(tx.get(), 4, 40 + i % 40);
    sqlite3_bind_double(tx.get(), 5, 1.1 + (i % 9) / 10.0);
    sqlite3_bind_text(tx.get(), 6, band, -1, SQLITE_STATIC);
    sqlite3_step(tx.get());
    sqlite3_reset(tx.get());
    if (i % (kTransmissions / kQsos) != 0) continue;
    sqlite3_bind_text(qso.get(), 1, band, -1, SQLITE_STATIC);
    sqlite3_bind_int64(qso.get(), 2, start);
    sqlite3_bind_int64(qso.get(), 3, start + 3 * step);
    sqlite3_bind_double(qso.get(), 4, 50 + i % 50);
    sqlite3_bind_double(qso.get(), 5, 40 + i % 40);
    sqlite3_step(qso.get());
    sqlite3_reset(qso.get());
  }
  return db.Exec("COMMIT", error);
}

// A logger's file: every record on a transmission's band and minute.
void WriteAdif(const std::string& path, std::int64_t nowMs) {
  std::ofstream out(path, std::ios::binary);
  out << "Another logger's export\r\n<ADIF_VER:5>3.1.0 <PROGRAMID:6>Logger <EOH>\r\n";
  const std::int64_t step = kYearMs / kAdifRecords;
  std::string record;
  for (int i = 0; i < kAdifRecords; ++i) {
    const std::int64_t on = nowMs - kYearMs + i * step;
    const int tx = static_cast<int>((on - (nowMs - kYearMs)) / (kYearMs / kTransmissions));
    record.clear();
    station::AppendAdifField(record, "CALL", "K" + std::to_string(i % 10) + "ABC");
    station::AppendAdifField(record, "NAME", "J\xc3\xbcrgen");
    station::AppendAdifField(record, "QSO_DATE", station::AdifDate(on));
    station::AppendAdifField(record, "TIME_ON", station::AdifTime(on));
    station::AppendAdifField(record, "BAND", kBands[(tx / 1000) % 4]);
    station::AppendAdifField(record, "MODE", "FT8");
    station::AppendAdifField(record, "TX_PWR", "100W");
    out << record << "<EOR>\r\n";
  }
}

long FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return static_cast<long>(in.tellg());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: qso_bench SWRCTL DIR\n");
    return 2;
  }
  const std::string swrctl = argv[1], dir = argv[2];
  const std::string log = dir + "/qso_bench.db", in = dir + "/qso_bench_in.adi",
                    filled = dir + "/qso_bench_out.adi";
  const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
  auto t0 = std::chrono::steady_clock::now();
  if (!Generate(log, now)) return 1;
  WriteAdif(in, now);
  std::printf("a busy year: %d transmissions, %d QSOs (%.1f MB), an ADIF file of %d records"
              " (%.1f MB), generated in %.1f s\n", kTransmissions, kQsos, FileSize(log) / 1e6,
              kAdifRecords, FileSize(in) / 1e6, Ms(t0) / 1000);
  std::printf("  | task | time | memory | target |\n  |---|---|---|---|\n");
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  t0 = std::chrono::steady_clock::now();
  const auto adif = station::QsosReply(log, "from=" + std::to_string(now - kYearMs - 1), true, now);
  const double adifMs = Ms(t0);
  rusage self{};
  getrusage(RUSAGE_SELF, &self);
  const double adifCpu = CpuMs(self) - CpuMs(before);
  std::printf("  | /api/v1/qsos.adi of the year (%zu bytes) | %.0f ms (%.0f ms CPU) |"
              " %.1f MB (process) | <= 1000 ms |\n", adif.body.size(), adifMs, adifCpu,
              self.ru_maxrss / 1024.0);
  const std::string command = "'" + swrctl + "' adif fill '" + in + "' -o '" + filled +
                              "' --log '" + log + "' 2>/dev/null";
  t0 = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double fillMs = Ms(t0);
  rusage child{};
  getrusage(RUSAGE_CHILDREN, &child);
  const double fillCpu = CpuMs(child);
  std::printf("  | swrctl adif fill of %d records (%.1f MB out) | %.0f ms (%.0f ms CPU) |"
              " %.1f MB | <= 3000 ms, <= 50 MB |\n", kAdifRecords, FileSize(filled) / 1e6, fillMs,
              fillCpu, child.ru_maxrss / 1024.0);
  // A loaded machine stretches the wall clock: the targets hold for CPU time.
  return adif.status == 200 && status == 0 && adifCpu <= 1000 && fillCpu <= 3000 ? 0 : 1;
}
