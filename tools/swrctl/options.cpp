// swrctl's command line: the tables of options_table.cpp read by CLI11.
// Before CLI11 sees the line, every word that begins with '-' must be an
// option of the table (so "-1" is refused as an option, not taken for a
// number) and a value option must have its value; after it, each option
// must belong to the subcommand given, and the subcommand's operands are
// checked in order. Every message names what the user typed.
#include "tools/swrctl/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <sstream>

#include "station/core/plain_text.h"
#include "station/mqtt/mqtt_options.h"
#include "tools/swrctl/options_table.h"
#include "tools/swrctl/service.h"

namespace swrctl {
using namespace ::station;
namespace {

// An optional value's word: an address or a port ("239.255.0.1",
// "localhost:2237", ":2237"), never a subcommand or an option.
bool LooksLikeAddress(const std::string& word) {
  return !word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == ':' ||
                           word.rfind("localhost", 0) == 0);
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
    } else if (row->valueOptional) {
      line.push_back(i + 1 < args.size() && LooksLikeAddress(args[i + 1]) ? args[++i] : "");
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

// An option given to a subcommand it does not belong to: the first one,
// taken by the subcommand it belongs to in the table's order (watch's, then
// serve's), "" when there is none.
std::string ScopeError(const std::vector<const OptionRow*>& given, const SubcommandRow& sub) {
  for (const SubcommandRow& owner : kSubcommands) {
    for (const OptionRow* row : given) {
      const std::string scope = row->scope;
      if (scope.substr(0, scope.find(' ')) != owner.name || HasWord(scope, sub.name, ' ')) continue;
      // "serve and log"; service takes serve's options, and goes unnamed.
      std::string owners;
      std::istringstream words(scope);
      for (std::string word; words >> word;) {
        if (word != "service") owners += (owners.empty() ? "" : " and ") + word;
      }
      const std::string names = row->names;
      return names.substr(names.rfind(',') + 1) + " applies to " + owners + " only";
    }
  }
  return "";
}

// `service VERB`: a verb of service.h; serve's options only with the verbs
// that hand them to the service (install, run), checked as for serve.
std::string CheckService(const std::string& verb, const std::vector<const OptionRow*>& given,
                         Options& o) {
  o.serviceVerb = verb;
  if (!IsServiceVerb(verb)) {
    return "service takes install, remove, start, stop or status, not " + Quoted(verb);
  }
  if (TakesServeOptions(verb)) return CheckServeOptions(o.serve);
  for (const OptionRow* row : given) {
    if (HasWord(row->scope, "service", ' ')) {
      const std::string names = row->names;
      return names.substr(names.rfind(',') + 1) + " applies to serve only";
    }
  }
  return "";
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
    error = std::string("usage: swrctl ") + sub.name +
            (sub.action == Action::Service ? kServiceOperands : sub.operands);
    return result;
  }
  error = ScopeError(parsed.given, sub);
  if (!error.empty()) return result;
  for (const OptionRow* row : parsed.given) {
    if (!row->takesValue && row->store != nullptr) row->store("", o, error);
  }
  if (sub.action == Action::Command) {
    const CommandRequest request = CommandFromWords(FindCommand(sub.name)->kind, parsed.operands);
    o.command = request.command;
    error = request.error;
  } else if (sub.action == Action::Serve) {
    error = CheckServeOptions(o.serve);
  } else if (sub.action == Action::Log && o.since >= o.until) {
    error = "--since must be before --until";
  } else if (o.alarms && o.qsos) {
    error = "--alarms and --qsos exclude each other";
  } else if (o.format == Format::Adif && !(sub.action == Action::Log && o.qsos)) {
    error = "--format adif is for log --qsos only";
  } else if (sub.action == Action::Adif) {
    o.adifIn = parsed.operands[1];
    if (parsed.operands[0] != "fill") error = "adif takes fill, not " + Quoted(parsed.operands[0]);
  } else if (sub.action == Action::Service) {
    error = CheckService(parsed.operands[0], parsed.given, o);
  }
  return result;
}

}  // namespace swrctl
