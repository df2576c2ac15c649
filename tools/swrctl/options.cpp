// swrctl's command line as two tables, the subcommands and the options,
// read by CLI11. Before CLI11 sees the line, every word that begins with '-'
// must be an option of the table (so "-1" is refused as an option, not taken
// for a number) and a value option must have its value; after it, each
// option must belong to the subcommand given, and the subcommand's operands
// are checked in order. Every message names what the user typed.
#include "tools/swrctl/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstddef>
#include <memory>
#include <sstream>

#include "station/core/plain_text.h"
#include "station/mqtt/mqtt_options.h"

namespace swrctl {
namespace {

constexpr long kMaxCount = 1000000000L;
constexpr long kMaxIntervalMs = 86400000L;  // one day

// The subcommands in the order the messages list them.
struct SubcommandRow {
  const char* name;
  Action action;
  const char* operands;  // for the usage line
  std::size_t count;     // number of operands
};

const SubcommandRow kSubcommands[] = {
    {"status", Action::Status, "", 0},
    {"watch", Action::Watch, "", 0},
    {"select", Action::Command, " SENSOR", 1},
    {"power", Action::Command, " SENSOR WATTS", 2},
    {"swr", Action::Command, " SENSOR VALUE", 2},
    {"blocking", Action::Command, " on|off", 1},
    {"serve", Action::Serve, "", 0},
};

using Store = bool (*)(const std::string& value, Options& o, std::string& error);

struct OptionRow {
  const char* names;   // as CLI11 takes them: "-v,--verbose"
  const char* scope;   // the subcommands that take it, blank-separated; "" = all
  bool takesValue;     // false: a flag (value "")
  Store store;         // stores the value; false with `error` set when it is wrong
};

bool NonEmpty(const char* name, const std::string& value, std::string& to, std::string& error) {
  if (value.empty()) {
    error = std::string("option ") + name + " needs a value";
    return false;
  }
  to = value;
  return true;
}

bool StoreFormat(const std::string& v, Options& o, std::string& error) {
  if (v == "text") o.format = Format::Text;
  else if (v == "csv") o.format = Format::Csv;
  else if (v == "json") o.format = Format::Json;
  else {
    error = "format must be text, csv or json, not " + Quoted(v);
    return false;
  }
  return true;
}

bool StoreCount(const std::string& v, Options& o, std::string& error) {
  if (ParseNumber(v, kMaxCount, o.count) && o.count != 0) return true;
  error = "--count must be a whole number from 1 to 1000000000, not " + Quoted(v);
  return false;
}

bool StoreInterval(const std::string& v, Options& o, std::string& error) {
  if (ParseNumber(v, kMaxIntervalMs, o.intervalMs)) return true;
  error = "--interval must be milliseconds from 0 to 86400000, not " + Quoted(v);
  return false;
}

bool StoreMqtt(const char* name, const std::string& v, Options& o, std::string& error) {
  return SetMqttOption(name, v, o.serve.mqtt, error);
}

const OptionRow kOptions[] = {
    {"-v,--verbose", "", false, [](const std::string&, Options& o, std::string&) {
       o.verbose = true;
       return true;
     }},
    {"--format", "watch", true, StoreFormat},
    {"--count", "watch", true, StoreCount},
    {"--interval", "watch", true, StoreInterval},
    {"--follow", "watch", false, [](const std::string&, Options& o, std::string&) {
       o.follow = true;
       return true;
     }},
    {"--listen", "serve", true, [](const std::string& v, Options& o, std::string& e) {
       return NonEmpty("--listen", v, o.serve.listen, e);
     }},
    {"--token-file", "serve", true, [](const std::string& v, Options& o, std::string& e) {
       return NonEmpty("--token-file", v, o.serve.tokenFile, e);
     }},
    {"--read-only", "serve", false, [](const std::string&, Options& o, std::string&) {
       o.serve.readOnly = true;
       return true;
     }},
    {"--no-http", "serve", false, [](const std::string&, Options& o, std::string&) {
       o.serve.http = false;
       return true;
     }},
    {"--mqtt", "serve", true, [](const std::string& v, Options& o, std::string& e) {
       return StoreMqtt("--mqtt", v, o, e);
     }},
    {"--mqtt-ca", "serve", true, [](const std::string& v, Options& o, std::string& e) {
       return StoreMqtt("--mqtt-ca", v, o, e);
     }},
    {"--mqtt-prefix", "serve", true, [](const std::string& v, Options& o, std::string& e) {
       return StoreMqtt("--mqtt-prefix", v, o, e);
     }},
    {"--mqtt-rate", "serve", true, [](const std::string& v, Options& o, std::string& e) {
       return StoreMqtt("--mqtt-rate", v, o, e);
     }},
};

bool HasWord(const std::string& list, const std::string& word, char separator) {
  std::istringstream words(list);
  for (std::string w; std::getline(words, w, separator);) {
    if (w == word) return true;
  }
  return false;
}

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions) {
    if (HasWord(row.names, name, ',')) return &row;
  }
  return nullptr;
}

std::string CommandList() {
  std::string list;
  for (const SubcommandRow& row : kSubcommands) list += std::string(list.empty() ? "" : ", ") + row.name;
  return list;
}

// The line as CLI11 is to read it, or false with `error` set: each word
// that begins with '-' is an option of the table, a value option has its
// value, and "--name=" becomes "--name" "" so that the empty value is
// checked like any other.
bool Normalise(const std::vector<std::string>& args, std::vector<std::string>& line,
               std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      line.push_back(arg);
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const OptionRow* row = FindOption(name);
    if (row == nullptr || (!row->takesValue && eq != std::string::npos)) {
      error = "unknown option " + Quoted(arg) + " (see swrctl --help)";
      return false;
    }
    line.push_back(name);
    if (!row->takesValue) continue;
    if (eq != std::string::npos) {
      line.push_back(arg.substr(eq + 1));
    } else if (i + 1 < args.size()) {
      line.push_back(args[++i]);
    } else {
      error = "option " + name + " needs a value";
      return false;
    }
  }
  return true;
}

// What CLI11 fills in besides the options.
struct Parsed {
  std::vector<std::string> stray;  // words before any subcommand
  const SubcommandRow* subcommand = nullptr;
  std::vector<std::string> operands;
  std::vector<const OptionRow*> given;  // in the order of the line
};

// Reads the normalised line; the options' values are checked and stored as
// CLI11 meets them, the first wrong one in `error`.
bool ReadLine(std::vector<std::string> line, Options& o, Parsed& parsed, std::string& error) {
  CLI::App app("swrctl");
  app.set_help_flag();
  app.allow_windows_style_options(false);
  app.require_subcommand(0, 1);
  app.add_option("command", parsed.stray);
  std::vector<std::pair<CLI::Option*, const OptionRow*>> options;
  for (const OptionRow& row : kOptions) {
    CLI::Option* option = nullptr;
    if (!row.takesValue) {
      option = app.add_flag(row.names);
    } else {
      option = app.add_option(row.names)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
      option->check(CLI::Validator(
          [&o, &error, &row](std::string& value) {
            std::string wrong;
            if (!row.store(value, o, wrong) && error.empty()) error = wrong;
            return wrong;
          },
          "VALUE"));
    }
    options.emplace_back(option, &row);
  }
  std::vector<std::pair<CLI::App*, const SubcommandRow*>> subcommands;
  for (const SubcommandRow& row : kSubcommands) {
    CLI::App* sub = app.add_subcommand(row.name)->fallthrough();
    sub->add_option("operands", parsed.operands);
    subcommands.emplace_back(sub, &row);
  }
  std::reverse(line.begin(), line.end());  // CLI11 takes the line from its end
  try {
    app.parse(line);
  } catch (const CLI::ParseError& e) {
    if (error.empty()) error = e.what();
    return false;
  }
  for (const auto& [sub, row] : subcommands) {
    if (sub->parsed()) parsed.subcommand = row;
  }
  for (const CLI::Option* option : app.parse_order()) {
    for (const auto& [opt, row] : options) {
      if (opt == option) parsed.given.push_back(row);
    }
  }
  return true;
}

}  // namespace

ParseResult ParseArgs(const std::vector<std::string>& args) {
  ParseResult result;
  Options& o = result.options;
  std::string& error = result.error;
  // --help and --version win over everything else on the line.
  const struct {
    const char* flags;
    Action action;
  } firsts[] = {{"--help -h", Action::Help}, {"--version -V", Action::Version}};
  for (const auto& first : firsts) {
    for (const std::string& arg : args) {
      if (HasWord(first.flags, arg, ' ')) {
        o.action = first.action;
        return result;
      }
    }
  }
  std::vector<std::string> line;
  Parsed parsed;
  if (!Normalise(args, line, error) || !ReadLine(line, o, parsed, error)) return result;
  if (!parsed.stray.empty()) {
    error = "unknown command " + Quoted(parsed.stray[0]) + "; commands: " + CommandList();
    return result;
  }
  if (parsed.subcommand == nullptr) {
    error = "no command given; commands: " + CommandList() + " (see swrctl --help)";
    return result;
  }
  const SubcommandRow& sub = *parsed.subcommand;
  o.action = sub.action;
  if (parsed.operands.size() != sub.count) {
    error = std::string("usage: swrctl ") + sub.name + sub.operands;
    return result;
  }
  for (const OptionRow* row : parsed.given) {
    const std::string scope = row->scope;
    if (!scope.empty() && !HasWord(scope, sub.name, ' ')) {
      const std::string names = row->names;
      error = names.substr(names.rfind(',') + 1) + " applies to " +
              scope.substr(0, scope.find(' ')) + " only";
      return result;
    }
    if (!row->takesValue) row->store("", o, error);
  }
  if (sub.action == Action::Command) {
    const CommandRequest request = CommandFromOperands(FindCommand(sub.name)->kind, parsed.operands);
    o.command = request.command;
    error = request.error;
  } else if (sub.action == Action::Serve) {
    error = CheckServeOptions(o.serve);
  }
  return result;
}

}  // namespace swrctl
