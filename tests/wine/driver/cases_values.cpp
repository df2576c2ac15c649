// Live values from input reports, and the bytes of every user action.
#include <random>

#include "report.h"
#include "suite.h"
#include "user.h"

namespace wt {
namespace {

// Feeds a report and waits until all five fields show what it decodes to.
bool ShowsReport(Suite& suite, Program& program, const std::vector<std::uint8_t>& report, const std::string& sensorBefore,
                 const std::string& what) {
  const Shown want = Decode(report);
  const std::string sensor = want.sensor.empty() ? sensorBefore : want.sensor;
  suite.bus.Feed(suite.controller, report.data());
  auto all = [&] {
    return FieldText(program, PowerField) == want.power && FieldText(program, SwrField) == want.swr &&
           FieldText(program, ForwardField) == want.forward && FieldText(program, ReflectedField) == want.reflected &&
           FieldText(program, ActiveSensorField) == sensor;
  };
  if (WaitFor(all, 2000)) return Check(true, what);
  return Check(false, what + Format(" (bytes %s): shows power \"%s\" swr \"%s\" forward \"%s\" reflected \"%s\" sensor \"%s\";"
                                    " expected \"%s\" \"%s\" \"%s\" \"%s\" \"%s\"",
                                    Hex(report).c_str(), FieldText(program, PowerField).c_str(),
                                    FieldText(program, SwrField).c_str(), FieldText(program, ForwardField).c_str(),
                                    FieldText(program, ReflectedField).c_str(),
                                    FieldText(program, ActiveSensorField).c_str(), want.power.c_str(),
                                    want.swr.c_str(), want.forward.c_str(), want.reflected.c_str(), sensor.c_str()));
}

}  // namespace

void LiveValues(Suite& suite) {
  BeginGroup("live values");
  suite.bus.SetInterfaces({suite.controller});
  Program program;
  if (!Launch(suite, program, "start-up") || !RequireConnected(suite, program, "start-up")) return EndGroup();
  struct Example {
    int sensor, forward, reflected, divisor, swr;
    const char* power;
    const char* swrText;
  };
  // The decoding examples, with the texts spelled out.
  const Example examples[] = {
      {1, 100, 20, 1, 15, "192.0", "1.5"},   {2, 255, 0, 1, 10, "1300.0", "1.0"},
      {3, 255, 0, 24, 255, "54.2", "25.5"},  {1, 0, 10, 1, 9, "-2.0", "***"},
      {2, 0, 255, 1, 0, "-1300.0", "***"},   {3, 10, 12, 24, 20, "0.0", "2.0"},
      {1, 8, 10, 24, 11, "-0.0", "1.1"},     {2, 7, 0, 13, 40, "0.0", "4.0"},
      {3, 255, 255, 200, 99, "0.0", "9.9"},  {1, 50, 0, 0, 12, "+Infinity", "1.2"},
      {2, 0, 50, 0, 12, "-Infinity", "1.2"}, {3, 0, 0, 0, 0, "***", "***"},
      // -977 / 20 is -48.85, but as a float -48.8499985.
      {1, 119, 251, 20, 67, "-48.8", "6.7"},
  };
  std::string sensor = FieldText(program, ActiveSensorField);
  for (const Example& e : examples) {
    const std::vector<std::uint8_t> r = Report(e.sensor, e.forward, e.reflected, e.divisor, e.swr);
    const Shown want = Decode(r);
    Check(want.power == e.power && want.swr == e.swrText, Format("reference decoding of F=%d R=%d K=%d", e.forward, e.reflected, e.divisor));
    ShowsReport(suite, program, r, sensor, Format("F=%d R=%d K=%d swr=%d shows %s / %s", e.forward, e.reflected, e.divisor, e.swr, e.power, e.swrText));
    sensor = want.sensor.empty() ? sensor : want.sensor;
  }
  // A sensor number outside 1..3 leaves the sensor field alone.
  for (int outside : {0, 7, 255}) {
    ShowsReport(suite, program, Report(outside, 60, 30, 2, 17), sensor, Format("sensor byte %d keeps the sensor field", outside));
  }
  // Random reports.
  std::mt19937 random(suite.seed);
  Note(Format("random reports from seed %u", suite.seed));
  int shown = 0;
  for (int i = 0; i < 60; ++i) {
    std::vector<std::uint8_t> r(9);
    for (auto& b : r) b = static_cast<std::uint8_t>(random() & 0xFF);
    if (i % 3 == 0) r[2] = static_cast<std::uint8_t>(1 + random() % 3);
    r[0] = 0;
    if (ShowsReport(suite, program, r, sensor, Format("random report %d", i))) ++shown;
    const Shown want = Decode(r);
    if (!want.sensor.empty()) sensor = want.sensor;
  }
  Note(Format("%d of 60 random reports shown as decoded", shown));
  // The controller stops sending: the fields keep their texts.
  const std::string power = FieldText(program, PowerField);
  Sleep(500);
  CheckEq(FieldText(program, PowerField), power, "a silent controller leaves the fields as they are");
  CloseProgram(program, "live values");
  EndGroup();
}

void UserCommands(Suite& suite) {
  BeginGroup("every user action's bytes");
  suite.bus.SetInterfaces({suite.controller});
  Program program;
  if (!Launch(suite, program, "start-up") || !RequireConnected(suite, program, "start-up")) return EndGroup();
  const size_t start = suite.bus.CommandCount();
  HWND main = program.Main();
  struct Button {
    int control;
    int sensor;
  };
  for (const Button& b : {Button{Sensor1Button, 1}, Button{Sensor2Button, 2}, Button{Sensor3Button, 3}}) {
    const size_t mark = suite.bus.CommandCount();
    Click(Child(main, b.control));
    ExpectCommand(suite, mark, {0, 3, static_cast<std::uint8_t>(b.sensor), 0, 0, 0, 0, 0, 0},
                  Format("Sensor%dButton", b.sensor), suite.controller);
    CheckEq(FieldText(program, ActiveSensorField), Format("%d", b.sensor), Format("Sensor%dButton shows the sensor", b.sensor));
  }
  for (int item : {95, 96, 97}) {
    const int sensor = item - 94;
    // Another sensor first, so the field must change.
    suite.bus.Feed(suite.controller, Report(sensor % 3 + 1, 1, 1, 1, 10).data());
    WaitText(program, ActiveSensorField, Format("%d", sensor % 3 + 1));
    const size_t mark = suite.bus.CommandCount();
    ChooseMenu(main, item);
    ExpectCommand(suite, mark, {0, 3, static_cast<std::uint8_t>(sensor), 0, 0, 0, 0, 0, 0}, Format("menu item %d", item));
    CheckEq(FieldText(program, ActiveSensorField), Format("%d", sensor), Format("menu item %d shows the sensor", item));
  }
  // The next report overrides the user's choice.
  suite.bus.Feed(suite.controller, Report(1, 1, 1, 1, 10).data());
  Check(WaitText(program, ActiveSensorField, "1"), "the next report overwrites the chosen sensor");

  HWND box = Child(main, BlockingCheckBox);
  for (int state : {1, 0, 1, 0}) {
    const size_t mark = suite.bus.CommandCount();
    Click(box);
    ExpectCommand(suite, mark, {0, 8, static_cast<std::uint8_t>(state ? 1 : 2), 0, 0, 0, 0, 0, 0},
                  state ? "BlockingCheckBox ticked" : "BlockingCheckBox cleared");
    DWORD_PTR check = 0;
    SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_BLOCK, 2000, &check);
    CheckEq(static_cast<long long>(check), state, "the check box shows its new state");
  }
  struct Power {
    int item, sensor, code;
  };
  const Power items[] = {{24, 1, 24}, {29, 1, 10}, {30, 1, 3}, {27, 1, 2}, {28, 1, 1},
                         {31, 2, 24}, {32, 2, 10}, {33, 2, 3}, {90, 2, 2}, {91, 2, 1},
                         {92, 3, 24}, {34, 3, 10}, {35, 3, 3}, {36, 3, 2}, {94, 3, 1}};
  for (const Power& p : items) {
    const size_t mark = suite.bus.CommandCount();
    ChooseMenu(main, p.item);
    ExpectCommand(suite, mark,
                  {0, 1, static_cast<std::uint8_t>(p.sensor), static_cast<std::uint8_t>(p.code), 0, 0, 0, 0, 0},
                  Format("power range item %d", p.item));
  }
  // After a power range, a sensor selection carries no stale byte 3.
  const size_t mark = suite.bus.CommandCount();
  Click(Child(main, Sensor2Button));
  ExpectCommand(suite, mark, {0, 3, 2, 0, 0, 0, 0, 0, 0}, "Sensor2Button after a power range: buffer was cleared");
  // Two actions back to back are both served, in order.
  const size_t pair = suite.bus.CommandCount();
  Click(Child(main, Sensor3Button));
  ChooseMenu(main, 28);
  const std::vector<Command> both = NewCommands(suite, pair, 2);
  if (Check(both.size() == 2, "two actions back to back write two reports")) {
    CheckEq(Hex(both[0].bytes) + " / " + Hex(both[1].bytes), "00 03 03 00 00 00 00 00 00 / 00 01 01 01 00 00 00 00 00",
            "back-to-back actions in order");
  }
  const std::vector<Command> all = NewCommands(suite, start, 0, 0);
  bool oneConnection = true;
  for (const Command& c : all) oneConnection = oneConnection && c.connection == all.front().connection;
  Check(oneConnection, "every command went out on one handle");
  CloseProgram(program, "user commands");
  EndGroup();
}

}  // namespace wt
