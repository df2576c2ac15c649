// swrctl's one-shot commands on the fake bus: the bytes of every command
// against the panel's action table, bad lines that never reach the
// controller, and status.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/actions.h"
#include "device/commands.h"
#include "device/send_buffer.h"
#include "tests/fake_hid_bus.h"
#include "harness.h"
#include "station/core/exit_status.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Args = std::vector<std::string>;

// What the panel writes for a command: through its own send buffer.
Bytes PanelReport(const swr::CommandBytes& command) {
  swr::SendBuffer buffer = {};
  swr::PutCommand(buffer, command);
  return Bytes(buffer, buffer + swr::kReportSize);
}

void PlugController() {
  fakebus::Reset();
  fakebus::Bus().interfaces.push_back(fakebus::Controller("/dev/hidraw0"));
}

// Runs swrctl with a controller on the bus and returns the one report it
// wrote.
Bytes Written(const Args& args) {
  PlugController();
  harness::Harness h;
  const harness::Outcome o = h.Run(args);
  EXPECT_EQ(o.status, swrctl::kExitOk) << args[0] << ": " << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
  EXPECT_EQ(fakebus::Bus().writes.size(), 1u);
  return fakebus::Bus().writes.empty() ? Bytes{} : fakebus::Bus().writes[0].bytes;
}

TEST(SwrctlCommands, EveryMenuItemAndButtonHasItsCommand) {
  // Every row of the panel's menu table is reachable from the command line
  // and writes the same 9 bytes.
  for (const swr::ActionCommand& row : swr::kMenuCommands) {
    const std::string sensor = std::to_string(row.bytes.selector);
    Args args;
    if (row.bytes.command == swr::CommandCode::SelectSensor) {
      args = {"select", sensor};
    } else {
      int watts = 0;
      for (const swr::PowerRange& range : swr::kPowerRanges) {
        if (range.code == row.bytes.value) watts = range.watts;
      }
      args = {"power", sensor, std::to_string(watts)};
    }
    EXPECT_EQ(Written(args), PanelReport(row.bytes)) << "menu item " << row.id;
  }
  for (const swr::ActionCommand& row : swr::kControlCommands) {
    EXPECT_EQ(Written({"select", std::to_string(row.bytes.selector)}), PanelReport(row.bytes))
        << "control " << row.id;
  }
  EXPECT_EQ(Written({"blocking", "on"}), PanelReport(swr::BlockingCommand(true)));
  EXPECT_EQ(Written({"blocking", "off"}), PanelReport(swr::BlockingCommand(false)));
}

TEST(SwrctlCommands, EverySwrLimitIsTheDialogsSliderPosition) {
  for (int sensor = 1; sensor <= 3; ++sensor) {
    for (int position = 10; position <= 40; ++position) {
      const std::string value =
          std::to_string(position / 10) + "." + std::to_string(position % 10);
      const Bytes panel =
          PanelReport(swr::SwrLimitCommand(sensor, swr::SwrLimitFromPosition(position)));
      EXPECT_EQ(Written({"swr", std::to_string(sensor), value}), panel) << value;
      if (position % 10 == 0) {
        EXPECT_EQ(Written({"swr", std::to_string(sensor), value.substr(0, 1)}), panel);
      }
    }
  }
}

TEST(SwrctlCommands, KnownReportsAndVerbose) {
  EXPECT_EQ(Written({"power", "2", "600"}), (Bytes{0, 1, 2, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Written({"power", "3", "50"}), (Bytes{0, 1, 3, 0x18, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Written({"swr", "1", "2.5"}), (Bytes{0, 2, 1, 0x19, 0, 0, 0, 0, 0}));

  PlugController();
  harness::Harness h;
  const harness::Outcome o = h.Run({"--verbose", "blocking", "on"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "sent 00 08 01 00 00 00 00 00 00\n");
  PlugController();
  EXPECT_EQ(h.Run({"power", "3", "50", "-v"}).out, "sent 00 01 03 18 00 00 00 00 00\n");
}

TEST(SwrctlCommands, BadLinesNeverReachTheController) {
  struct Case {
    Args args;
    const char* says;  // part of the one-line error
  };
  const Case cases[] = {
      {{}, "no command given; commands: status, watch"},
      {{"reset"}, "unknown command 'reset'"},
      {{"select"}, "usage: swrctl select SENSOR"},
      {{"select", "1", "2"}, "usage: swrctl select SENSOR"},
      {{"select", "0"}, "sensor must be 1, 2 or 3, not '0'"},
      {{"select", "4"}, "sensor must be 1, 2 or 3"},
      {{"select", "01"}, "sensor must be 1, 2 or 3"},
      {{"select", " 1"}, "sensor must be 1, 2 or 3"},
      {{"select", "-1"}, "unknown option '-1'"},
      {{"power", "1"}, "usage: swrctl power SENSOR WATTS"},
      {{"power", "4", "50"}, "sensor must be 1, 2 or 3, not '4'"},
      {{"power", "1", "500"}, "maximum power must be 50, 120, 400, 600 or 1200 (watts), not '500'"},
      {{"power", "1", "050"}, "maximum power must be 50, 120, 400, 600 or 1200"},
      {{"power", "1", "50W"}, "maximum power must be 50, 120, 400, 600 or 1200"},
      {{"power", "1", "0"}, "maximum power must be"},
      {{"power", "1", "99999999999"}, "maximum power must be"},
      {{"power", "1", "4294967346"}, "maximum power must be"},  // 2^32 + 50
      {{"swr", "1", "0.9"}, "SWR limit must be 1.0 to 4.0 in steps of 0.1, not '0.9'"},
      {{"swr", "1", "4.1"}, "SWR limit must be 1.0 to 4.0 in steps of 0.1"},
      {{"swr", "1", "5"}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", "2.55"}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", "2.50"}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", "2,5"}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", "2."}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", ".5"}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", "+2.5"}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "1", ""}, "SWR limit must be 1.0 to 4.0"},
      {{"swr", "0", "2.5"}, "sensor must be 1, 2 or 3"},
      {{"blocking", "yes"}, "blocking must be on or off, not 'yes'"},
      {{"blocking", "ON"}, "blocking must be on or off"},
      {{"blocking"}, "usage: swrctl blocking on|off"},
      {{"select", "1", "--count", "3"}, "--count applies to watch only"},
      {{"blocking", "on", "--follow"}, "--follow applies to watch only"},
      {{"status", "now"}, "usage: swrctl status"},
      {{"watch", "--format", "xml"}, "format must be text, csv, json or adif, not 'xml'"},
      {{"watch", "--format", "adif"}, "--format adif is for log --qsos only"},
      {{"log", "--format", "adif"}, "--format adif is for log --qsos only"},
      {{"adif", "merge", "in.adi"}, "adif takes fill, not 'merge'"},
      {{"adif", "fill"}, "usage: swrctl adif fill IN.adi"},
      {{"log", "--replace"}, "--replace applies to adif only"},
      {{"watch", "--format"}, "option --format needs a value"},
      {{"watch", "--count", "0"}, "--count must be a whole number from 1"},
      {{"watch", "--count=-1"}, "--count must be a whole number from 1"},
      {{"watch", "--count", "1e3"}, "--count must be a whole number from 1"},
      {{"watch", "--count", "4294967297"}, "--count must be a whole number from 1"},
      {{"watch", "--interval", "soon"}, "--interval must be milliseconds"},
      {{"watch", "--interval", "86400001"}, "--interval must be milliseconds"},
      {{"watch", "--colour"}, "unknown option '--colour'"},
      {{"service"}, "usage: swrctl service install|remove|start|stop|status"},
      {{"service", "restart"}, "service takes install, remove, start, stop or status, not 'restart'"},
      {{"service", "stop", "--read-only"}, "--read-only applies to serve only"},
      {{"service", "install", "--follow"}, "--follow applies to watch only"},
      {{"service", "install", "--no-http"}, "--no-http needs --mqtt"},
#ifndef _WIN32
      {{"service", "install", "--listen", "127.0.0.1:1"}, "systemd unit swrctl-serve.service"},
#endif
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += "[" + a + "]";
    PlugController();
    harness::Harness h;
    const harness::Outcome o = h.Run(c.args);
    EXPECT_EQ(o.status, swrctl::kExitUsage) << line;
    EXPECT_EQ(o.out, "") << line;
    EXPECT_EQ(o.err.rfind("swrctl: ", 0), 0u) << line << ": " << o.err;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << line << ": " << o.err;
    EXPECT_EQ(harness::Lines(o.err).size(), 1u) << line << ": " << o.err;
    // The controller was not even opened.
    EXPECT_TRUE(fakebus::Bus().opened.empty()) << line;
    EXPECT_TRUE(fakebus::Bus().writes.empty()) << line;
    EXPECT_EQ(fakebus::Bus().reads, 0) << line;
  }
}

TEST(SwrctlCommands, HelpAndVersionTouchNothing) {
  for (const Args& args : {Args{"--help"}, Args{"-h"}, Args{"power", "2", "600", "--help"},
                           Args{"power", "9", "9", "--help"}}) {
    PlugController();
    harness::Harness h;
    const harness::Outcome o = h.Run(args);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("Usage: swrctl COMMAND", 0), 0u);
    EXPECT_NE(o.out.find("50, 120, 400, 600 or 1200"), std::string::npos);
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(fakebus::Bus().opened.empty());
  }
  PlugController();
  harness::Harness h;
  const harness::Outcome o = h.Run({"--version"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind("swrctl ", 0), 0u);
  EXPECT_EQ(harness::Lines(o.out).size(), 1u);
  EXPECT_TRUE(fakebus::Bus().opened.empty());
}

TEST(SwrctlCommands, NoControllerOrNoAccess) {
  fakebus::Reset();
  harness::Harness h;
  harness::Outcome o = h.Run({"select", "2"});
  EXPECT_EQ(o.status, swrctl::kExitNoController);
  EXPECT_EQ(o.err, "swrctl: the controller is not connected; nothing was sent\n");

  // Present, but the read/write open is refused (no permission).
  PlugController();
  fakebus::Bus().interfaces[0].readWriteOpens = false;
  o = h.Run({"select", "2"});
  EXPECT_EQ(o.status, swrctl::kExitFailure);
  EXPECT_NE(o.err.find("cannot be opened"), std::string::npos);
  EXPECT_TRUE(fakebus::Bus().writes.empty());

  // A write that moves fewer than 9 bytes is a failure, not a success.
  PlugController();
  fakebus::Bus().writeResult = 0;
  o = h.Run({"-v", "blocking", "off"});
  EXPECT_EQ(o.status, swrctl::kExitFailure);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "swrctl: writing the command to the controller failed\n");
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

TEST(SwrctlStatus, FirstMatchLikeThePanel) {
  fakebus::Reset();
  fakebus::Interface other = fakebus::Controller("/dev/hidraw0");
  other.productId = 0x1234;
  fakebus::Interface unqueryable = fakebus::Controller("/dev/hidraw1");
  unqueryable.queryOpens = false;
  fakebus::Interface mute = fakebus::Controller("/dev/hidraw2");
  mute.attributesReadable = false;
  fakebus::Bus().interfaces = {other, unqueryable, mute, fakebus::Controller("/dev/hidraw3"),
                               fakebus::Controller("/dev/hidraw4")};
  harness::Harness h;
  const harness::Outcome o = h.Run({"status"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "controller: connected\npath: /dev/hidraw3\naccess: read and write\n");
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
  EXPECT_EQ(fakebus::Bus().setsOpen, 0);
  EXPECT_TRUE(fakebus::Bus().writes.empty());
  EXPECT_EQ(fakebus::Bus().reads, 0);
}

TEST(SwrctlStatus, AbsentOrNotOpenable) {
  fakebus::Reset();
  harness::Harness h;
  harness::Outcome o = h.Run({"status"});
  EXPECT_EQ(o.status, swrctl::kExitNoController);
  EXPECT_EQ(o.out, "controller: not connected\n");

  PlugController();
  fakebus::Bus().interfaces[0].readWriteOpens = false;
  o = h.Run({"status"});
  EXPECT_EQ(o.status, swrctl::kExitFailure);
  EXPECT_NE(o.out.find("path: /dev/hidraw0\naccess: cannot be opened"), std::string::npos);
}

}  // namespace
