// The link supervision of every tick: the writer and reader handles opened
// and closed with the controller's presence, the notice, a held report
// released, and the status bar's time and date.
#include "app/link_supervisor.h"

#include <cstdio>
#include <ctime>

#include "app/main_window.h"
#include "app/program_state.h"
#include "device/reports.h"
#include "measure/reader.h"

namespace swr {

namespace {

ClockFunction clock = nullptr;
constexpr int kStatusBarMinHeight = 18;

void CloseBoth() {
  CloseReadHandle();  // reader first, then writer
  HidLink::Close(writeHandle);
  writeHandle = 0;
}

// Opens the writer, then the reader. Only a pair of open handles counts as
// connected: if either open fails, both are closed again and the caller
// retries on the next tick, so the notice never claims a connection that
// cannot carry commands or readings.
bool OpenBoth() {
  const HidLink::Handle writer = HidLink::Open(ControllerProductId, ControllerVendorId);
  const HidLink::Handle reader =
      writer != 0 ? HidLink::Open(ControllerProductId, ControllerVendorId) : 0;
  if (writer == 0 || reader == 0) {
    HidLink::Close(writer);
    return false;
  }
  writeHandle = writer;
  SetReadHandle(reader);
  return true;
}

void TwoDigits(int value, char* out) {
  out[0] = static_cast<char>('0' + (value / 10) % 10);
  out[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

LocalTime SystemLocalTime() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);  // used on the UI thread only
  if (local == nullptr) return {1970, 1, 1, 0, 0, 0};
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
          local->tm_hour,        local->tm_min,     local->tm_sec};
}

void SetClock(ClockFunction replacement) { clock = replacement; }

std::string FormatClockTime(const LocalTime& t) {
  char text[9] = "00:00:00";
  TwoDigits(t.hour, text);
  TwoDigits(t.minute, text + 3);
  TwoDigits(t.second, text + 6);
  return text;
}

std::string FormatClockDate(const LocalTime& t) {
  char text[11] = "00.00.0000";
  TwoDigits(t.day, text);
  TwoDigits(t.month, text + 3);
  TwoDigits(t.year / 100, text + 6);
  TwoDigits(t.year % 100, text + 8);
  return text;
}

void LinkSupervisor() {
  ReleaseHeldReport();
  const int present = HidLink::IsPresent(ControllerProductId, ControllerVendorId) != 0 ? 1 : 0;
  if (present != lastPresence) {
    CloseBoth();
    // A controller that is present but cannot be opened stays "not
    // connected": the notice keeps showing and the next tick tries again.
    const int connected = present != 0 && OpenBoth() ? 1 : 0;
    if (connected != lastPresence) {
      lastPresence = connected;
      ui::SetText(DeviceNoticeText, connected != 0 ? "" : kDeviceNotConnected);
    }
  }

  const ClockFunction now = clock != nullptr ? clock : SystemLocalTime;
  ui::EnsureStatusBar(MainWindow, kStatusBarMinHeight);
  const std::string timeText = FormatClockTime(now());
  const std::string dateText = FormatClockDate(now());
  ui::SetStatusText(MainWindow, 1, dateText.c_str());
  ui::SetStatusText(MainWindow, 0, timeText.c_str());
}

}  // namespace swr
