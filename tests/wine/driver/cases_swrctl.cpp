// The command-line companion as shipped: status, the command reports it
// writes, arguments refused before the controller is touched, and watch
// reading the reports the bus feeds it.
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "console_program.h"
#include "report.h"
#include "suite.h"

namespace wt {
namespace {

struct Outcome {
  bool ended = false;
  DWORD code = 0;
  std::string out, err;
};

Outcome Finish(ConsoleProgram& program, int timeoutMs) {
  Outcome o;
  o.ended = program.WaitExit(timeoutMs, o.code);
  if (!o.ended) program.Kill();
  o.out = program.Out();
  o.err = program.Err();
  return o;
}

std::string CommandLine(const std::vector<std::string>& args) {
  std::string line = "swrctl";
  for (const std::string& a : args) line += " " + a;
  return line;
}

bool Start(Suite& suite, ConsoleProgram& program, const std::vector<std::string>& args) {
  // The handles of the run before are closed by now: a connection counted
  // later is this run's own.
  WaitFor([&] { return suite.bus.OpenConnections(suite.controller) == 0; }, 3000);
  suite.bus.ResetSeen();
  std::string error;
  bool started = program.Start(suite.exe, args, error);
  if (!started) {
    // Wine under load has been seen to refuse a process start once; a second
    // refusal is the failure.
    Note(CommandLine(args) + ": did not start (" + (error.empty() ? "no reason given" : error) + "), trying once more");
    Sleep(500);
    error.clear();
    started = program.Start(suite.exe, args, error);
  }
  return Check(started, CommandLine(args) + ": starts" + (error.empty() ? "" : ": " + error));
}

// Runs swrctl to its end (bounded, its start on a loaded machine included);
// a run that did not end is a failure.
Outcome Run(Suite& suite, const std::vector<std::string>& args, int timeoutMs = 60000) {
  ConsoleProgram program;
  if (!Start(suite, program, args)) return {};
  Outcome o = Finish(program, timeoutMs);
  Check(o.ended, CommandLine(args) + Format(": ends within %d s", timeoutMs / 1000));
  return o;
}

bool ExpectExit(const Outcome& o, DWORD code, const std::string& what) {
  if (!o.ended) return false;
  const bool ok = CheckEq(static_cast<long long>(o.code), code, what + ": exit status");
  if (!ok) Note("stdout: " + o.out.substr(0, 300) + " | stderr: " + o.err.substr(0, 300));
  return ok;
}

std::string Upper(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) out += Format(i ? " %02X" : "%02X", bytes[i]);
  return out;
}

// A JSON object of one line whose values are numbers, strings, null or
// arrays of numbers: its members as their JSON texts, or false when the line
// is not such an object (or not JSON at all).
class FlatJson {
 public:
  explicit FlatJson(const std::string& text) : s_(text) {}

  bool Parse(std::map<std::string, std::string>& members) {
    Blank();
    if (!Take('{')) return false;
    Blank();
    if (Take('}')) return End();
    for (;;) {
      std::string key, value;
      Blank();
      if (!String(key)) return false;
      Blank();
      if (!Take(':')) return false;
      Blank();
      if (!Value(value) || members.count(key)) return false;
      members[key] = value;
      Blank();
      if (Take('}')) return End();
      if (!Take(',')) return false;
    }
  }

 private:
  bool End() {
    Blank();
    return i_ == s_.size();
  }
  void Blank() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
  }
  bool Take(char c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool String(std::string& out) {
    const size_t start = i_;
    if (!Take('"')) return false;
    while (i_ < s_.size() && s_[i_] != '"') {
      const unsigned char c = static_cast<unsigned char>(s_[i_]);
      if (c < 0x20) return false;
      if (c == '\\') {
        ++i_;
        if (i_ >= s_.size() || std::string("\"\\/bfnrtu").find(s_[i_]) == std::string::npos) return false;
      }
      ++i_;
    }
    if (!Take('"')) return false;
    out = s_.substr(start + 1, i_ - start - 2);
    return true;
  }
  bool Number(std::string& out) {
    const size_t start = i_;
    Take('-');
    if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return false;
    if (s_[i_] == '0' && i_ + 1 < s_.size() && isdigit(static_cast<unsigned char>(s_[i_ + 1]))) return false;
    while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
    if (Take('.')) {
      if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return false;
      while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    out = s_.substr(start, i_ - start);
    return true;
  }
  bool Value(std::string& out) {
    const size_t start = i_;
    std::string ignored;
    if (s_.compare(i_, 4, "null") == 0) {
      i_ += 4;
    } else if (i_ < s_.size() && s_[i_] == '"') {
      if (!String(ignored)) return false;
    } else if (Take('[')) {
      Blank();
      if (!Take(']')) {
        for (;;) {
          Blank();
          if (!Number(ignored)) return false;
          Blank();
          if (Take(']')) break;
          if (!Take(',')) return false;
        }
      }
    } else if (!Number(ignored)) {
      return false;
    }
    out = s_.substr(start, i_ - start);
    return true;
  }

  const std::string& s_;
  size_t i_ = 0;
};

std::string RawJson(const std::vector<std::uint8_t>& bytes) {
  std::string out = "[";
  for (size_t i = 0; i < bytes.size(); ++i) out += Format(i ? ",%u" : "%u", bytes[i]);
  return out + "]";
}

// "2026-12-08T19:15:41.123+00:00": local time with milliseconds and offset.
bool LooksLikeTime(const std::string& t) {
  const std::string shape = "dddd-dd-ddTdd:dd:dd.ddd+dd:dd";
  if (t.size() != shape.size()) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    const bool digit = t[i] >= '0' && t[i] <= '9';
    if (shape[i] == 'd' ? !digit : shape[i] == '+' ? t[i] != '+' && t[i] != '-' : t[i] != shape[i]) return false;
  }
  return true;
}

void CheckJsonLine(const std::string& line, const std::vector<std::uint8_t>& report, const std::string& what) {
  std::map<std::string, std::string> m;
  FlatJson parser(line);
  if (!Check(parser.Parse(m), what + ": a JSON object: " + line)) return;
  const Shown expected = Decode(report);
  CheckEq(m["raw"], RawJson(report), what + ": raw bytes");
  CheckEq(m["sensor"], expected.sensor.empty() ? "null" : expected.sensor, what + ": sensor");
  CheckEq(m["forward"], expected.forward, what + ": forward");
  CheckEq(m["reflected"], expected.reflected, what + ": reflected");
  CheckEq(m["swr"], "\"" + expected.swr + "\"", what + ": SWR text");
  CheckEq(m["power"], "\"" + expected.power + "\"", what + ": power text");
  const std::string time = m["time"].size() >= 2 ? m["time"].substr(1, m["time"].size() - 2) : "";
  Check(LooksLikeTime(time), what + ": time stamp " + m["time"]);
  CheckEq(static_cast<long long>(m.size()), 7, what + ": members time, sensor, forward, reflected, swr, power, raw");
}

// Feeds each report once the previous one has been printed as a line.
bool FeedPrinted(Suite& suite, ConsoleProgram& program, const std::vector<std::vector<std::uint8_t>>& reports,
                 size_t linesBefore, const std::string& what) {
  for (size_t i = 0; i < reports.size(); ++i) {
    suite.bus.Feed(suite.controller, reports[i].data());
    if (!Check(WaitFor([&] { return Lines(program.Out()).size() >= linesBefore + i + 1; }, 5000),
               what + Format(": report %d printed", static_cast<int>(i + 1)))) {
      return false;
    }
  }
  return true;
}

bool WaitOpened(Suite& suite, const std::string& what) {
  // After a start: up to 60 s on a loaded machine.
  return Check(WaitFor([&] { return suite.bus.OpenConnections(suite.controller) >= 1; }, 60000),
               what + ": the controller is opened");
}

}  // namespace

void CtlStatus(Suite& suite) {
  BeginGroup("swrctl status: plugged, unplugged, other identities, two controllers, refusing");
  const std::string connected = "controller: connected";
  const std::string readWrite = "access: read and write";
  struct Case {
    const char* name;
    std::vector<int> interfaces;
    DWORD exit;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"plugged", {suite.controller}, 0, {connected, "path: " + suite.bus.Path(suite.controller), readWrite}},
      {"unplugged", {}, 2, {"controller: not connected"}},
      {"other identities only", {suite.swapped, suite.otherDevice}, 2, {"controller: not connected"}},
      {"two controllers behind another device", {suite.otherDevice, suite.controllerB, suite.controller}, 0,
       {connected, "path: " + suite.bus.Path(suite.controllerB), readWrite}},
      {"refusing read/write",
       {suite.refusing},
       1,
       {connected, "path: " + suite.bus.Path(suite.refusing),
        "access: cannot be opened for reading and writing (check the device permissions)"}},
  };
  for (const Case& c : cases) {
    suite.bus.SetInterfaces(c.interfaces);
    const std::string what = std::string("status, ") + c.name;
    const Outcome o = Run(suite, {"status"});
    if (!ExpectExit(o, c.exit, what)) continue;
    const std::vector<std::string> lines = Lines(o.out);
    CheckEq(static_cast<long long>(lines.size()), static_cast<long long>(c.lines.size()), what + ": lines printed");
    for (size_t i = 0; i < lines.size() && i < c.lines.size(); ++i) {
      CheckEq(lines[i], c.lines[i], what + Format(": line %d", static_cast<int>(i + 1)));
    }
    CheckEq(o.err, "", what + ": nothing on stderr");
    CheckBusCalls(suite, what.c_str());
    Check(WaitFor([&] { return suite.bus.OpenConnections(suite.controller) == 0; }, 2000),
          what + ": no handle left open");
  }
  EndGroup();
}

void CtlCommands(Suite& suite) {
  BeginGroup("swrctl commands: the bytes written, with and without --verbose");
  suite.bus.SetInterfaces({suite.controller});
  struct Case {
    std::vector<std::string> args;
    std::vector<std::uint8_t> bytes;
  };
  const std::vector<Case> cases = {
      {{"-v", "power", "2", "600"}, {0, 1, 2, 2, 0, 0, 0, 0, 0}},
      {{"swr", "1", "2.5"}, {0, 2, 1, 25, 0, 0, 0, 0, 0}},
      {{"power", "3", "50", "--verbose"}, {0, 1, 3, 24, 0, 0, 0, 0, 0}},
      {{"power", "1", "1200"}, {0, 1, 1, 1, 0, 0, 0, 0, 0}},
      {{"--verbose", "swr", "3", "4"}, {0, 2, 3, 40, 0, 0, 0, 0, 0}},
      {{"swr", "2", "1.0"}, {0, 2, 2, 10, 0, 0, 0, 0, 0}},
      {{"select", "2"}, {0, 3, 2, 0, 0, 0, 0, 0, 0}},
      {{"-v", "blocking", "on"}, {0, 8, 1, 0, 0, 0, 0, 0, 0}},
      {{"blocking", "off"}, {0, 8, 2, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const std::string what = CommandLine(c.args);
    const size_t mark = suite.bus.CommandCount();
    const Outcome o = Run(suite, c.args);
    if (!ExpectExit(o, 0, what)) continue;
    ExpectCommand(suite, mark, c.bytes, what + ": written on the controller's pipe", suite.controller);
    bool verbose = false;
    for (const std::string& a : c.args) verbose = verbose || a == "-v" || a == "--verbose";
    CheckEq(o.out, verbose ? "sent " + Upper(c.bytes) + "\r\n" : "", what + ": printed");
    CheckEq(o.err, "", what + ": nothing on stderr");
    CheckBusCalls(suite, what.c_str());
  }

  // No controller: a clear message, exit status 2, nothing written.
  suite.bus.SetInterfaces({suite.otherDevice});
  const size_t mark = suite.bus.CommandCount();
  const Outcome o = Run(suite, {"-v", "select", "1"});
  if (ExpectExit(o, 2, "select without a controller")) {
    CheckEq(o.err, "swrctl: the controller is not connected; nothing was sent\r\n",
            "select without a controller: message");
    CheckEq(o.out, "", "select without a controller: nothing on stdout");
  }
  ExpectNoCommand(suite, mark, 100, "select without a controller: nothing written");
  EndGroup();
}

void CtlArguments(Suite& suite) {
  BeginGroup("swrctl arguments: refused with exit status 64 before the controller is opened");
  suite.bus.SetInterfaces({suite.controller});
  struct Case {
    std::vector<std::string> args;
    const char* message;  // the whole line, or nullptr to check the form only
  };
  const std::vector<Case> cases = {
      {{"power", "2", "500"}, "swrctl: maximum power must be 50, 120, 400, 600 or 1200 (watts), not '500'"},
      {{"-v", "power", "4", "600"}, "swrctl: sensor must be 1, 2 or 3, not '4'"},
      {{"power", "2", "0600"}, nullptr},
      {{"swr", "1", "2.55"}, "swrctl: SWR limit must be 1.0 to 4.0 in steps of 0.1, not '2.55'"},
      {{"swr", "1", "4.1"}, nullptr},
      {{"swr", "1", "0.9"}, nullptr},
      {{"swr", "0", "2.0"}, nullptr},
      {{"select", "0"}, nullptr},
      {{"select"}, "swrctl: usage: swrctl select SENSOR"},
      {{"blocking", "yes"}, nullptr},
      {{"select", "1", "--format", "json"}, "swrctl: --format applies to watch and log only"},
      {{"watch", "--count", "0"}, nullptr},
      {{"watch", "--format", "xml"}, nullptr},
      {{"reset"}, nullptr},
      {{}, nullptr},
  };
  const size_t mark = suite.bus.CommandCount();
  for (const Case& c : cases) {
    const std::string what = CommandLine(c.args);
    const int opened = suite.bus.ConnectionsMade(suite.controller);
    const Outcome o = Run(suite, c.args);
    if (!ExpectExit(o, 64, what)) continue;
    const std::vector<std::string> lines = Lines(o.err);
    if (c.message) {
      CheckEq(o.err, std::string(c.message) + "\r\n", what + ": message");
    } else {
      Check(lines.size() == 1 && lines[0].rfind("swrctl: ", 0) == 0, what + ": one line on stderr: " + o.err);
    }
    CheckEq(o.out, "", what + ": nothing on stdout");
    CheckEq(suite.bus.ConnectionsMade(suite.controller), opened, what + ": the controller is not opened");
    CheckEq(suite.bus.Seen().classDevsCalls, 0, what + ": the bus is not searched");
  }
  ExpectNoCommand(suite, mark, 200, "bad arguments: nothing written");
  EndGroup();
}

void CtlWatch(Suite& suite) {
  BeginGroup("swrctl watch: json, csv and text lines, unplugging, --follow");
  const std::vector<std::vector<std::uint8_t>> reports = {
      Report(2, 120, 40, 3, 21), Report(0, 200, 10, 0, 9), Report(3, 17, 250, 7, 40)};
  {
    suite.bus.SetInterfaces({suite.controller});
    const std::vector<std::string> args = {"watch", "--count", "3", "--format", "json"};
    ConsoleProgram program;
    if (Start(suite, program, args) && WaitOpened(suite, CommandLine(args))) {
      FeedPrinted(suite, program, reports, 0, CommandLine(args));
      const Outcome o = Finish(program, 5000);
      Check(o.ended, CommandLine(args) + ": ends after three lines");
      if (ExpectExit(o, 0, CommandLine(args))) {
        const std::vector<std::string> lines = Lines(o.out);
        CheckEq(static_cast<long long>(lines.size()), 3, CommandLine(args) + ": lines printed");
        for (size_t i = 0; i < lines.size() && i < reports.size(); ++i) {
          CheckJsonLine(lines[i], reports[i], CommandLine(args) + Format(", line %d", static_cast<int>(i + 1)));
        }
        CheckEq(o.err, "", CommandLine(args) + ": nothing on stderr");
      }
      CheckBusCalls(suite, "watch");
    }
  }
  {
    const std::vector<std::string> args = {"watch", "--format=csv", "--count=1"};
    ConsoleProgram program;
    if (Start(suite, program, args) && WaitOpened(suite, CommandLine(args))) {
      FeedPrinted(suite, program, {reports[0]}, 1, CommandLine(args));
      const Outcome o = Finish(program, 5000);
      if (ExpectExit(o, 0, CommandLine(args))) {
        const std::vector<std::string> lines = Lines(o.out);
        const Shown e = Decode(reports[0]);
        CheckEq(static_cast<long long>(lines.size()), 2, CommandLine(args) + ": header and one line");
        if (lines.size() == 2) {
          CheckEq(lines[0], "time,sensor,forward,reflected,swr,power", CommandLine(args) + ": header");
          const size_t comma = lines[1].find(',');
          CheckEq(comma == std::string::npos ? lines[1] : lines[1].substr(comma),
                  "," + e.sensor + "," + e.forward + "," + e.reflected + "," + e.swr + "," + e.power,
                  CommandLine(args) + ": values");
          Check(LooksLikeTime(lines[1].substr(0, comma)), CommandLine(args) + ": time stamp");
        }
      }
    }
  }
  {
    const std::vector<std::string> args = {"watch", "--count", "1"};
    ConsoleProgram program;
    if (Start(suite, program, args) && WaitOpened(suite, CommandLine(args))) {
      FeedPrinted(suite, program, {reports[1]}, 0, CommandLine(args));
      const Outcome o = Finish(program, 5000);
      if (ExpectExit(o, 0, CommandLine(args))) {
        const Shown e = Decode(reports[1]);
        const std::string tail = " sensor=- forward=" + e.forward + " reflected=" + e.reflected + " swr=" + e.swr +
                                 " power=" + e.power + "\r\n";
        Check(o.out.size() > tail.size() && o.out.compare(o.out.size() - tail.size(), tail.size(), tail) == 0,
              CommandLine(args) + ": text line ends in" + tail.substr(0, tail.size() - 2) + ", got " + o.out);
      }
    }
  }

  // No controller: the message, exit status 2, nothing on stdout.
  suite.bus.SetInterfaces({suite.otherDevice});
  Outcome o = Run(suite, {"watch", "--format", "json"});
  if (ExpectExit(o, 2, "watch without a controller")) {
    CheckEq(o.err, "swrctl: no controller found\r\n", "watch without a controller: message");
    CheckEq(o.out, "", "watch without a controller: nothing on stdout");
  }

  // Unplugged while watching, without --follow: exit status 2.
  suite.bus.SetInterfaces({suite.controller});
  {
    const std::vector<std::string> args = {"watch", "--format", "json"};
    ConsoleProgram program;
    if (Start(suite, program, args) && WaitOpened(suite, "watch, then unplugged")) {
      FeedPrinted(suite, program, {reports[2]}, 0, "watch, then unplugged");
      suite.bus.SetInterfaces({});
      o = Finish(program, 5000);
      Check(o.ended, "watch, then unplugged: ends within 5 s");
      if (ExpectExit(o, 2, "watch, then unplugged")) {
        CheckEq(o.err, "swrctl: lost the controller (unplugged?)\r\n", "watch, then unplugged: message");
        CheckEq(static_cast<long long>(Lines(o.out).size()), 1, "watch, then unplugged: the line before stays");
      }
    }
  }

  // --follow: waits for the controller, and again after an unplug.
  suite.bus.SetInterfaces({});
  {
    const std::vector<std::string> args = {"watch", "--follow", "--count", "2", "--format", "json"};
    const std::string what = "watch --follow";
    ConsoleProgram program;
    if (Start(suite, program, args)) {
      Check(WaitFor([&] { return program.Err() == "swrctl: waiting for the controller\r\n"; }, 60000),
            what + ": says it waits for the controller (" + program.Err() + ")");
      suite.bus.SetInterfaces({suite.controller});
      if (WaitOpened(suite, what + ", plugged in") && FeedPrinted(suite, program, {reports[0]}, 0, what)) {
        suite.bus.SetInterfaces({});
        Check(WaitFor([&] { return program.Err().find("swrctl: lost the controller; waiting for it\r\n") !=
                                   std::string::npos; }, 5000),
              what + ": says it lost the controller");
        suite.bus.SetInterfaces({suite.controller});
        if (WaitOpened(suite, what + ", plugged in again")) FeedPrinted(suite, program, {reports[1]}, 1, what);
      }
      o = Finish(program, 5000);
      Check(o.ended, what + ": ends after two lines");
      if (ExpectExit(o, 0, what)) {
        const std::vector<std::string> lines = Lines(o.out);
        CheckEq(static_cast<long long>(lines.size()), 2, what + ": lines printed");
        for (size_t i = 0; i < lines.size() && i < 2; ++i) {
          CheckJsonLine(lines[i], reports[i], what + Format(", line %d", static_cast<int>(i + 1)));
        }
        CheckEq(o.err,
                "swrctl: waiting for the controller\r\nswrctl: controller connected\r\n"
                "swrctl: lost the controller; waiting for it\r\nswrctl: controller connected\r\n",
                what + ": what it said on stderr");
      }
    }
  }
  suite.bus.SetInterfaces({});
  EndGroup();
}

}  // namespace wt
