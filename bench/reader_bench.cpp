// Drives the reader with the simulated controller at several report rates
// and prints what reaches the screen: reports shown per second, the latency
// from a report being produced to its power text being set, and the CPU
// time the process spends per second (the main thread only sleeps, so that
// is the reader's, the simulated device's work included). Also the idle
// reader, one presence search over 256 stand-in interfaces, and the cost of
// the closing handshake in a reading pass.
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/latency_table.h"
#include "device/hid_link.h"
#include "device/reports.h"
#include "device/bus/sim_controller.h"
#include "measure/fields.h"
#include "measure/reader.h"

namespace {

using Clock = std::chrono::steady_clock;

std::mutex mutex;
std::vector<double> latenciesMs;

void Sink(int controlId, const char*) {
  if (controlId != swr::PowerField) return;
  const SimBus::Delivery d = SimBus::LastDelivered();
  if (d.sequence == 0) return;
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - d.produced).count();
  std::lock_guard<std::mutex> lock(mutex);
  latenciesMs.push_back(ms);
}

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Window {
  double seconds;
  double cpuSeconds;
  std::vector<double> latencies;
};

// Lets the reader run for `seconds` and collects what it showed.
Window Measure(double seconds) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    latenciesMs.clear();
  }
  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  Window w;
  w.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  w.cpuSeconds = CpuSeconds() - cpu0;
  std::lock_guard<std::mutex> lock(mutex);
  w.latencies = latenciesMs;
  return w;
}

void RunRate(int rate, double warmup, double seconds) {
  SimBus::Reset();
  SimBus::SetReportRate(rate);
  swr::SetReadHandle(HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId));
  std::this_thread::sleep_for(std::chrono::duration<double>(warmup));
  const Window w = Measure(seconds);
  swr::CloseReadHandle();
  bench::PrintRow(rate, w.seconds, w.cpuSeconds, w.latencies);
}

// The atomic operations the closing handshake adds to one reading pass:
// announce the handle, check readHandle again, withdraw the announcement.
double HandshakeNanosecondsPerPass() {
  std::atomic<std::intptr_t> readHandle{7};
  std::atomic<std::intptr_t> inRead{0};
  constexpr int kPasses = 10'000'000;
  std::intptr_t sink = 0;
  const auto t0 = Clock::now();
  for (int i = 0; i < kPasses; ++i) {
    inRead.store(7);
    sink += readHandle.load();
    inRead.store(0);
  }
  const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
  if (sink == 42) std::puts("");
  return ns / kPasses;
}

}  // namespace

int main() {
  HidLink::Init();
  swr::StartReaderThread(Sink);
  std::printf("reader with the simulated controller (8 s per rate after 2 s warm-up)\n");
  bench::PrintHeader();
  for (const int rate : {10, 50, 100, 1000}) RunRate(rate, 2.0, 8.0);

  SimBus::Reset();
  SimBus::SetPlugged(false);
  const Window idle = Measure(5.0);
  std::printf("idle reader (no controller): CPU %.3f ms/s\n",
              1000.0 * idle.cpuSeconds / idle.seconds);

  // 256 other devices before the controller: the search examines all 256
  // and finds nothing, as when the controller is absent.
  SimBus::Reset();
  SimBus::SetControllerIndex(256);
  constexpr int kSearches = 200;
  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  int found = 0;
  for (int i = 0; i < kSearches; ++i) {
    found += HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId);
  }
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count() / kSearches;
  const double cpu = (CpuSeconds() - cpu0) / kSearches;
  std::printf("IsPresent over 256 simulated interfaces (found %d): %.1f us CPU, %.1f us wall "
              "per search; at 5 searches/s: CPU %.3f ms/s\n",
              found, cpu * 1e6, wall * 1e6, 5 * cpu * 1e3);

  std::printf("closing handshake: %.1f ns per reading pass (2 seq_cst stores + 1 load)\n",
              HandshakeNanosecondsPerPass());
  swr::StopReaderThreadForTests();
  return 0;
}
