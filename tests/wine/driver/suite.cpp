// The shared state and helpers of the suite's groups; see suite.h.
#include "suite.h"

#include <windows.h>
#include <setupapi.h>

#include <cmath>
#include <windows.h>
#include <commctrl.h>

#include "report.h"
#include "screen.h"
#include "user.h"

namespace wt {

const char* const kNotConnected = "Устройство неподключено";
const char* const kErrorCaption = "Ксв метр";

bool Launch(Suite& suite, Program& program, const char* what) {
  suite.bus.ResetSeen();
  std::string error;
  if (!program.Start(suite.exe, error)) return Check(false, std::string(what) + ": " + error);
  // Bounds for a start on a loaded machine; a passing start takes a second.
  if (!program.WaitMainWindow(60000)) return Check(false, std::string(what) + ": no main window within 60 s");
  const bool ready = WaitFor(
      [&] { return FindWindowExW(program.Main(), nullptr, STATUSCLASSNAMEW, nullptr) != nullptr; }, 60000, 20);
  if (!Check(ready, std::string(what) + ": main window with its status bar")) return false;
  // The first supervision run has searched the bus by now: a wrong record
  // size or flag shows here, whatever else the group looks at.
  const swrbus::Observed seen = suite.bus.Seen();
  const std::string w = std::string(what) + ": ";
  const unsigned detail = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), data = sizeof(SP_DEVICE_INTERFACE_DATA);
  Check(seen.badDetailSize == 0,
        w + Format("size field of the interface-detail record is %ld, must be %u", seen.badDetailSize, detail));
  Check(seen.badInterfaceDataSize == 0,
        w + Format("size field of the interface record is %ld, must be %u", seen.badInterfaceDataSize, data));
  Check(seen.badClassDevsFlags == 0, w + Format("device set flags 0x%lx, must be 0x12", seen.badClassDevsFlags));
  Check(seen.badClassDevsGuid == 0, w + "device set asked for another class than HID");
  return true;
}

bool RequireConnected(Suite& suite, Program& program, const char* what) {
  // The first supervision ticks after a start find the controller.
  if (WaitNotice(program, false, 30000) &&
      WaitFor([&] { return suite.bus.OpenConnections(suite.controller) >= 2; }, 30000)) {
    return Check(true, std::string(what) + ": connected to the controller");
  }
  Check(false, std::string(what) + ": not connected to the controller; the rest of this group is skipped");
  Note(BusDiagnostics(suite));
  program.Kill();
  return false;
}

bool CloseProgram(Program& program, const char* what) {
  CloseBox(program.Main());
  DWORD code = 1;
  const bool ended = program.WaitExit(30000, code);
  Check(ended, std::string(what) + ": the program ends after its close box");
  return ended && CheckEq(static_cast<long long>(code), 0, std::string(what) + ": exit code");
}

std::string Text(HWND window) { return Utf8(TextOf(window)); }

std::string FieldText(const Program& program, int id) {
  HWND control = Child(program.Main(), id);
  return control ? Text(control) : "<no control>";
}

bool WaitText(const Program& program, int id, const std::string& expected, int timeoutMs) {
  return WaitFor([&] { return FieldText(program, id) == expected; }, timeoutMs, 10);
}

bool WaitNotice(const Program& program, bool notConnected, int timeoutMs) {
  return WaitText(program, DeviceNoticeText, notConnected ? kNotConnected : "", timeoutMs);
}

std::string BusDiagnostics(const Suite& suite) {
  const swrbus::Observed s = suite.bus.Seen();
  return Format("bus calls: sets %ld released %ld enum %ld detail %ld guid %ld attributes %ld; bad detail size %ld,"
                " bad interface size %ld, highest index %ld",
                s.classDevsCalls, s.destroyCalls, s.enumCalls, s.detailCalls, s.guidCalls, s.attributesCalls,
                s.badDetailSize, s.badInterfaceDataSize, s.maxEnumIndex);
}

void CheckBusCalls(const Suite& suite, const char* when) {
  const swrbus::Observed seen = suite.bus.Seen();
  const std::string w = when;
  Check(seen.classDevsCalls > 0, w + ": the device set was asked for");
  Check(seen.badClassDevsFlags == 0, w + Format(": device set flags 0x%lx, must be 0x12", seen.badClassDevsFlags));
  Check(seen.badClassDevsGuid == 0, w + ": device set asked for the HID class");
  Check(seen.badInterfaceDataSize == 0, w + Format(": size field of the interface record is %ld, must be %u",
                                                   seen.badInterfaceDataSize, static_cast<unsigned>(sizeof(SP_DEVICE_INTERFACE_DATA))));
  Check(seen.badDetailSize == 0, w + Format(": size field of the interface-detail record is %ld, must be %u", seen.badDetailSize,
                                            static_cast<unsigned>(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))));
  CheckEq(seen.unknownSetHandle, 0, w + ": only sets that were handed out are used");
  Check(seen.classDevsCalls - seen.destroyCalls <= 1,
        w + Format(": every device set is released (%ld made, %ld released)", seen.classDevsCalls, seen.destroyCalls));
  Check(seen.maxEnumIndex <= 255, w + Format(": no interface index above 255 is asked for (highest %ld)", seen.maxEnumIndex));
  Check(seen.guidCalls > 0, w + ": HidD_GetHidGuid bound by name and called");
}

std::vector<Command> NewCommands(const Suite& suite, size_t mark, size_t count, int timeoutMs) {
  WaitFor([&] { return suite.bus.CommandCount() >= mark + count; }, timeoutMs, 10);
  std::vector<Command> all = suite.bus.Commands();
  return std::vector<Command>(all.begin() + static_cast<long>(std::min(mark, all.size())), all.end());
}

bool ExpectCommand(const Suite& suite, size_t mark, const std::vector<std::uint8_t>& bytes, const std::string& what,
                   int device) {
  const std::vector<Command> got = NewCommands(suite, mark, 1);
  if (got.empty()) return Check(false, what + ": nothing was written, expected " + Hex(bytes));
  bool ok = CheckEq(Hex(got[0].bytes), Hex(bytes), what);
  if (got.size() > 1) ok = Check(false, what + Format(": %d reports written, expected one", static_cast<int>(got.size()))) && ok;
  if (device >= 0) ok = CheckEq(got[0].device, device, what + ": written to the expected controller") && ok;
  return ok;
}

bool ExpectNoCommand(const Suite& suite, size_t mark, int quietMs, const std::string& what) {
  Sleep(static_cast<DWORD>(quietMs));
  const std::vector<Command> got = NewCommands(suite, mark, 0, 0);
  if (got.empty()) return Check(true, what);
  return Check(false, what + ": written " + Hex(got[0].bytes) + Format(" (%d reports)", static_cast<int>(got.size())));
}

bool ExpectErrorBox(Program& program, const std::string& what, int timeoutMs) {
  HWND box = nullptr;
  WaitFor([&] { return (box = program.MessageBoxWindow()) != nullptr; }, timeoutMs, 10);
  if (!Check(box != nullptr, what + ": the message box appears")) return false;
  bool ok = CheckEq(Text(box), kErrorCaption, what + ": message box caption");
  ok = CheckEq(Utf8(MessageBoxText(box)), kNotConnected, what + ": message box text") && ok;
  DismissMessageBox(box);
  ok = Check(WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 3000), what + ": the box goes away") &&
       ok;
  // The program enables its windows again only after the box's own loop has
  // returned; a click that arrives before that meets a disabled window.
  ok = Check(WaitFor([&] { return IsWindowEnabled(program.Main()) != FALSE; }, 5000),
             what + ": the main window is enabled again") &&
       ok;
  return ok;
}

std::vector<std::uint8_t> Report(int sensor, int forward, int reflected, int divisor, int swrTenths) {
  return {0, 0x5A, static_cast<std::uint8_t>(sensor), static_cast<std::uint8_t>(forward),
          static_cast<std::uint8_t>(reflected), static_cast<std::uint8_t>(divisor),
          static_cast<std::uint8_t>(swrTenths), 0xA5, 0x3C};
}

namespace {

// One decimal of a 32-bit float, rounding its exact value to the nearest
// tenth (halves away from zero), with a sign when it came from a negative.
std::string Tenths(float value, bool negative) {
  const double tenths = std::floor(std::fabs(static_cast<double>(value)) * 10.0 + 0.5);
  const long long n = static_cast<long long>(tenths);
  return Format("%s%lld.%lld", negative ? "-" : "", n / 10, n % 10);
}

}  // namespace

Shown Decode(const std::vector<std::uint8_t>& r) {
  Shown s;
  if (r[2] >= 1 && r[2] <= 3) s.sensor = Format("%d", r[2]);
  s.forward = Format("%d", r[3]);
  s.reflected = Format("%d", r[4]);
  const float swr = static_cast<float>(r[6]) / 10.0f;
  s.swr = swr < 1.0f ? "***" : Tenths(swr, false);
  const int d = r[3] * r[3] / 50 - r[4] * r[4] / 50;
  if (r[5] == 0) {
    s.power = d > 0 ? "+Infinity" : d < 0 ? "-Infinity" : "***";
  } else {
    s.power = Tenths(static_cast<float>(d) / static_cast<float>(r[5]), d < 0);
  }
  return s;
}

std::string Screenshot(const Suite& suite, HWND window, const char* name) {
  if (suite.shots.empty() || !window) return "";
  SetForegroundWindow(window);
  Sleep(300);
  Capture capture(ScreenRect(window));
  const std::wstring path = suite.shots + L"\\" + Wide(name) + L".bmp";
  return capture.SaveBmp(path) ? name : "";
}

}  // namespace wt
