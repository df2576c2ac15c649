// swrctl's subcommands and options as data: what each is called, where it
// applies, how its value is checked and stored, and its lines in --help. A
// new subcommand or option is one row here.
#pragma once

#include <cstddef>
#include <string>

#include "tools/swrctl/options.h"

namespace swrctl {
using namespace ::station;

struct SubcommandRow {
  const char* name;
  Action action;
  const char* operands;  // for the usage line: " SENSOR WATTS"
  std::size_t count;     // number of operands
  const char* help;      // lines after the first indented by the help's column
};

// Stores an option's value (a flag's is ""); false with `error` set when the
// value is wrong.
using StoreOption = bool (*)(const std::string& value, Options& o, std::string& error);

struct OptionRow {
  const char* names;   // as CLI11 takes them: "-v,--verbose"
  const char* scope;   // the subcommands that take it, blank-separated; "" = all
  bool takesValue;     // false: a flag
  StoreOption store;   // nullptr: handled before the line is read (--help)
  const char* shown;   // the help's left column: "--count N"
  const char* help;
  // The value may be left out ("--wsjtx" alone): the next word is its value
  // only when it looks like one (see options.cpp); "" otherwise.
  bool valueOptional = false;
};

extern const SubcommandRow kSubcommands[10];
extern const OptionRow kOptions[38];

// "status, watch, select, ...", in the table's order.
std::string CommandList();

// The row that has `name` ("--count", "-v"); nullptr when none has.
const OptionRow* FindOption(const std::string& name);

// Whether `word` is one of the `separator`-separated words of `list`.
bool HasWord(const std::string& list, const std::string& word, char separator);

}  // namespace swrctl
