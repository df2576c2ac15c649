// The Windows reader on the Windows bus, run under Wine, against a stand-in
// controller: a named pipe (like a HID handle it does synchronous
// whole-message reads) that holds at most kQueueDepth unread reports,
// oldest first, as a HID input queue does. A producer thread sends one
// report per period.
//
// Each report carries its sequence number in the forward (low byte) and
// reflected (high byte) levels, so the texts the reader sets tell which
// report is shown. Printed as the simulated bench does: reports shown per
// second, latency from a report entering the queue to its power text being
// set, and the process's CPU time per second without the stand-in's thread.
#include <windows.h>
#include <timeapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/latency_table.h"
#include "device/hid_link.h"
#include "measure/fields.h"
#include "measure/reader.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kQueueDepth = 32;  // Windows' default input buffers
constexpr std::size_t kSequences = 65536;

std::vector<std::atomic<std::int64_t>> sentAt(kSequences);  // ns since the clock's epoch

std::mutex sinkMutex;
std::vector<double> latenciesMs;
int shownForward = 0;
int shownReflected = 0;

std::int64_t Ns(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

void Sink(int controlId, const char* text) {
  if (controlId == swr::ForwardField) shownForward = std::atoi(text);
  if (controlId == swr::ReflectedField) shownReflected = std::atoi(text);
  if (controlId != swr::PowerField) return;
  const std::size_t sequence = static_cast<std::size_t>(shownForward + 256 * shownReflected);
  const std::int64_t sent = sequence == 0 ? 0 : sentAt[sequence].load();
  if (sent == 0) return;
  const double ms = static_cast<double>(Ns(Clock::now()) - sent) * 1e-6;
  std::lock_guard<std::mutex> lock(sinkMutex);
  latenciesMs.push_back(ms);
}

double Seconds(const FILETIME& f) {
  return static_cast<double>((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) |
                             f.dwLowDateTime) *
         1e-7;
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return Seconds(kernel) + Seconds(user);
}

// The stand-in controller on one pipe instance. Its outbound buffer holds
// exactly kQueueDepth reports, and its end does not wait: a report sent
// while the reader has kQueueDepth unread is dropped. (A HID stack drops
// the oldest instead; a pipe cannot take back what it holds. Only a reader
// that falls that far behind tells the difference, and it then shows
// readings that are older still.)
HANDLE CreateStandIn(const std::string& name) {
  constexpr DWORD kBuffer = kQueueDepth * 9;
  return CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                          PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_NOWAIT, 1, kBuffer,
                          kBuffer, 0, nullptr);
}

class PipeController {
 public:
  PipeController(const std::string& name, int rate) : rate_(rate), server_(CreateStandIn(name)) {}
  bool Ok() const { return server_ != INVALID_HANDLE_VALUE; }
  void Start() { producer_ = std::thread([this] { Produce(); }); }
  void Stop() {
    stop_ = true;
    producer_.join();
    CloseHandle(thread_.load());
    CloseHandle(server_);
  }
  // CPU time of the producing thread so far, which is not the reader's.
  double CpuSeconds() const {
    FILETIME created, exited, kernel, user;
    const HANDLE thread = thread_.load();
    if (thread == nullptr || !GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
    return Seconds(kernel) + Seconds(user);
  }

 private:
  // Sends report n when it falls due, n periods after the start; a late
  // wake-up sends all that are due at once.
  void Produce() {
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    thread_.store(self);
    timeBeginPeriod(1);
    const Clock::time_point epoch = Clock::now();
    const auto period = std::chrono::duration<double>(1.0 / rate_);
    std::uint64_t sent = 0;
    while (!stop_.load()) {
      const std::uint64_t due = static_cast<std::uint64_t>(
          std::chrono::duration<double>(Clock::now() - epoch) / period);
      for (; sent < due && sent + 1 < kSequences; ++sent) {
        const std::uint64_t seq = sent + 1;
        const std::uint8_t report[9] = {0, 0, 1, static_cast<std::uint8_t>(seq & 0xff),
                                        static_cast<std::uint8_t>(seq >> 8), 1, 10, 0, 0};
        // Stamped when it enters the queue: a producer that woke late does
        // not count against the reader.
        sentAt[seq].store(Ns(Clock::now()));
        DWORD n = 0;
        WriteFile(server_, report, 9, &n, nullptr);  // 0 bytes when the queue is full
      }
      const auto next = epoch + std::chrono::duration_cast<Clock::duration>(period * (sent + 1));
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
      Sleep(static_cast<DWORD>(std::max<std::int64_t>(wait.count(), 1)));
    }
    timeEndPeriod(1);
  }

  int rate_;
  HANDLE server_;
  std::atomic<bool> stop_{false};
  std::atomic<HANDLE> thread_{nullptr};
  std::thread producer_;
};

std::string PipeName(int rate) {
  return "\\\\.\\pipe\\swr_reader_bench_" + std::to_string(GetCurrentProcessId()) + "_" +
         std::to_string(rate);
}

struct Window {
  double seconds, cpuSeconds;
  std::vector<double> latencies;
};

// The stand-in's CPU time is left out of the process's.
Window Measure(double seconds, const PipeController* controller) {
  {
    std::lock_guard<std::mutex> lock(sinkMutex);
    latenciesMs.clear();
  }
  const auto others = [controller] { return controller ? controller->CpuSeconds() : 0.0; };
  const double cpu0 = CpuSeconds() - others();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  Window w;
  w.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  w.cpuSeconds = CpuSeconds() - others() - cpu0;
  std::lock_guard<std::mutex> lock(sinkMutex);
  w.latencies = latenciesMs;
  return w;
}

bool RunRate(int rate, double warmup, double seconds) {
  for (auto& d : sentAt) d.store(0);
  const std::string name = PipeName(rate);
  PipeController controller(name, rate);
  if (!controller.Ok()) return false;
  const HidBus::Handle handle = HidBus::OpenPath(name, HidBus::Access::ReadWrite);
  if (handle <= 0) return false;
  controller.Start();
  swr::SetReadHandle(handle);
  std::this_thread::sleep_for(std::chrono::duration<double>(warmup));
  const Window w = Measure(seconds, &controller);
  swr::CloseReadHandle();
  controller.Stop();
  bench::PrintRow(rate, w.seconds, w.cpuSeconds, w.latencies);
  return true;
}

// How many reports the stand-in holds for a reader that does not read.
int StandInDepth() {
  const std::string name = PipeName(0);
  const HANDLE server = CreateStandIn(name);
  const HidBus::Handle client = HidBus::OpenPath(name, HidBus::Access::ReadWrite);
  int held = 0;
  if (server != INVALID_HANDLE_VALUE && client > 0) {
    const std::uint8_t report[9] = {};
    for (int i = 0; i < 2 * static_cast<int>(kQueueDepth); ++i) {
      DWORD n = 0;
      if (WriteFile(server, report, 9, &n, nullptr) && n == 9) ++held;
    }
  }
  if (client > 0) HidBus::ClosePath(client);
  if (server != INVALID_HANDLE_VALUE) CloseHandle(server);
  return held;
}

}  // namespace

int main() {
  HidLink::Init();
  const int depth = StandInDepth();
  std::printf("Windows reader on the Windows bus against a pipe stand-in holding %d reports "
              "(8 s per rate after 2 s warm-up)\n",
              depth);
  if (!swr::StartReaderThread(Sink)) return 1;
  bench::PrintHeader();
  int status = 0;
  for (const int rate : {10, 50, 100, 1000}) {
    if (!RunRate(rate, 2.0, 8.0)) {
      std::printf("%6d/s  the pipe stand-in could not be set up\n", rate);
      status = 1;
    }
  }
  const Window idle = Measure(5.0, nullptr);
  std::printf("idle Windows reader (no controller): CPU %.3f ms/s\n",
              1000.0 * idle.cpuSeconds / idle.seconds);
  swr::StopReaderThreadForTests();
  return depth == static_cast<int>(kQueueDepth) ? status : 1;
}
