// The small text rules every front end shares: a plain decimal number and a
// port, how messages quote what the user gave, the accepted power ranges in
// words, and percent-decoding.
#pragma once

#include <string>

namespace station {

// A plain decimal number: digits only, no sign, no blanks, at most `max`.
bool ParseNumber(const std::string& text, long max, long& out);

// A port of a HOST:PORT: 1 to 65535, digits without a leading zero.
bool ParsePort(const std::string& digits, unsigned short& port);

// The text in single quotes, as error messages quote what the user gave.
std::string Quoted(const std::string& text);

// "50, 120, 400, 600 or 1200", from the panel's table of power ranges.
std::string AcceptedWatts();

// The value of a hexadecimal digit; -1 for any other character.
int HexDigitValue(char c);

// %XX escapes decoded (and '+' as a blank where `plusIsSpace`, as in a
// form's query); false for a broken escape.
bool PercentDecode(const std::string& text, std::string& out, bool plusIsSpace);

}  // namespace station
