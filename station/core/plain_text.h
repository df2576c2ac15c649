// The small text rules every front end shares: a plain decimal number, how
// messages quote what the user gave, and the accepted power ranges in words.
#pragma once

#include <string>

namespace swrctl {

// A plain decimal number: digits only, no sign, no blanks, at most `max`.
bool ParseNumber(const std::string& text, long max, long& out);

// The text in single quotes, as error messages quote what the user gave.
std::string Quoted(const std::string& text);

// "50, 120, 400, 600 or 1200", from the panel's table of power ranges.
std::string AcceptedWatts();

}  // namespace swrctl
