// Link supervision: plugging and unplugging, several controllers, other
// identities, the interface-index bound, a device that refuses opens; and
// what the stand-in libraries saw of the program's calls.
#include <windows.h>
#include <setupapi.h>

#include "report.h"
#include "suite.h"
#include "user.h"

namespace wt {
namespace {

bool Connected(Suite& suite, Program& program, int device, const std::string& what) {
  if (!Check(WaitNotice(program, false), what + ": the notice is cleared")) {
    Note(BusDiagnostics(suite));
    return false;
  }
  const size_t mark = suite.bus.CommandCount();
  Click(Child(program.Main(), Sensor1Button));
  return ExpectCommand(suite, mark, {0, 3, 1, 0, 0, 0, 0, 0, 0}, what + ": a command reaches the controller", device);
}

bool NotConnected(Suite& suite, Program& program, const std::string& what) {
  Sleep(700);  // a few supervision ticks
  bool ok = CheckEq(FieldText(program, DeviceNoticeText), kNotConnected, what + ": the notice stays");
  const size_t mark = suite.bus.CommandCount();
  Click(Child(program.Main(), Sensor1Button));
  ok = ExpectErrorBox(program, what + ": a command is refused") && ok;
  return ExpectNoCommand(suite, mark, 100, what + ": nothing written") && ok;
}

}  // namespace

void LinkSupervision(Suite& suite) {
  BeginGroup("link supervision: unplug, replug, two controllers");
  suite.bus.SetInterfaces({suite.controller});
  suite.bus.ResetSeen();
  Program program;
  if (!Launch(suite, program, "start-up") || !RequireConnected(suite, program, "start-up")) return EndGroup();
  Connected(suite, program, suite.controller, "present at start");
  const int before = suite.bus.ConnectionsMade(suite.controller);
  suite.bus.Feed(suite.controller, Report(2, 120, 40, 3, 21).data());
  WaitText(program, PowerField, Decode(Report(2, 120, 40, 3, 21)).power);

  // Unplugged: notice within a tick or two, fields keep the last values.
  const DWORD unplugged = GetTickCount();
  suite.bus.SetInterfaces({});
  Check(WaitNotice(program, true, 1500), "unplugged: the notice shows");
  Note(Format("notice shown %lu ms after unplugging", GetTickCount() - unplugged));
  CheckEq(FieldText(program, PowerField), Decode(Report(2, 120, 40, 3, 21)).power, "unplugged: the fields keep the last values");
  CheckEq(FieldText(program, ActiveSensorField), "2", "unplugged: the sensor field keeps its value");
  const size_t mark = suite.bus.CommandCount();
  Click(Child(program.Main(), BlockingCheckBox));
  ExpectErrorBox(program, "unplugged: a command is refused");
  ExpectNoCommand(suite, mark, 100, "unplugged: nothing written");

  // Plugged in again after a tick or two: new handles, values flow again.
  suite.bus.SetInterfaces({suite.controller});
  Connected(suite, program, suite.controller, "plugged in again");
  Check(suite.bus.ConnectionsMade(suite.controller) >= before + 2, "plugged in again: new handles were opened");
  Check(WaitFor([&] { return suite.bus.OpenConnections(suite.controller) == 2; }, 1500),
        Format("plugged in again: exactly two handles stay open (%d)", suite.bus.OpenConnections(suite.controller)));
  suite.bus.Feed(suite.controller, Report(3, 200, 10, 2, 33).data());
  Check(WaitText(program, PowerField, Decode(Report(3, 200, 10, 2, 33)).power), "plugged in again: live values flow");

  // Replugged within a tick or two several times in a row: it settles connected.
  for (int i = 0; i < 3; ++i) {
    suite.bus.SetInterfaces({});
    Sleep(250);
    suite.bus.SetInterfaces({suite.controller});
    Sleep(250);
  }
  Connected(suite, program, suite.controller, "after quick replugs");

  // Two controllers: both handles go to the first one in enumeration order.
  suite.bus.SetInterfaces({});
  WaitNotice(program, true);
  suite.bus.SetInterfaces({suite.otherDevice, suite.controllerB, suite.controller});
  Connected(suite, program, suite.controllerB, "two controllers: commands go to the first");
  Check(WaitFor([&] { return suite.bus.OpenConnections(suite.controllerB) == 2; }, 1000),
        "two controllers: both handles on the first");
  CheckEq(suite.bus.OpenConnections(suite.controller), 0, "two controllers: none on the second");
  suite.bus.Feed(suite.controller, Report(1, 99, 0, 1, 10).data());
  suite.bus.Feed(suite.controllerB, Report(3, 80, 0, 1, 10).data());
  Check(WaitText(program, ForwardField, "80"), "two controllers: the first one's reports are shown");
  Sleep(200);
  CheckEq(FieldText(program, ForwardField), "80", "two controllers: the second one's reports are not");
  // The first goes away: the program does not notice while one is present.
  suite.bus.SetInterfaces({suite.otherDevice, suite.controller});
  Sleep(700);
  CheckEq(FieldText(program, DeviceNoticeText), "", "first removed, second present: still shown as connected");
  CheckBusCalls(suite, "link supervision");
  CloseProgram(program, "link supervision");
  EndGroup();
}

void BusEdges(Suite& suite) {
  BeginGroup("bus edges: identities, interface 255 and 256, a device that refuses read/write");
  Program program;
  suite.bus.SetInterfaces({suite.swapped, suite.otherDevice});
  suite.bus.ResetSeen();
  if (!Launch(suite, program, "start-up")) return EndGroup();
  NotConnected(suite, program, "vendor and product exchanged");

  std::vector<int> list(255, suite.filler);
  list.push_back(suite.controller);
  suite.bus.SetInterfaces(list);
  Connected(suite, program, suite.controller, "controller at interface 255");
  suite.bus.SetInterfaces({});
  WaitNotice(program, true);
  list.insert(list.begin(), suite.filler);
  suite.bus.SetInterfaces(list);
  NotConnected(suite, program, "controller at interface 256");
  CheckBusCalls(suite, "256 interfaces");

  // Present but refusing read/write opens: never shown as connected; once
  // it accepts opens, the next ticks connect.
  suite.bus.SetInterfaces({suite.refusing});
  NotConnected(suite, program, "controller refusing read/write");
  // Refusing first, a working controller after it: the refusing one is skipped.
  suite.bus.SetInterfaces({suite.refusing, suite.controller});
  Connected(suite, program, suite.controller, "refusing device skipped for the next controller");
  CheckBusCalls(suite, "bus edges");
  // Alone and refusing, then accepting opens: the open is tried again on
  // the next ticks, and the notice goes once both handles are open.
  suite.bus.SetInterfaces({});
  WaitNotice(program, true);
  suite.bus.SetInterfaces({suite.refusing});
  Sleep(600);
  CheckEq(FieldText(program, DeviceNoticeText), kNotConnected, "refusing controller: the notice stays");
  suite.bus.AllowReadWrite(suite.refusing);
  Check(WaitNotice(program, false), "the same controller accepting opens later: the notice is cleared");
  CloseProgram(program, "bus edges");
  EndGroup();
}

}  // namespace wt
