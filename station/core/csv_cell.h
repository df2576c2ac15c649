// The cells of every CSV we write (transmissions.csv, swrctl log and watch):
// RFC 4180 quoting, and text that a spreadsheet would take for a formula
// written with a leading apostrophe.
#pragma once

#include <string>

namespace station {

// A text cell: a leading ' when it begins with '=', '+', '-', '@', a tab or
// a carriage return (a spreadsheet reads those as a formula), then quoted
// when it holds a comma, a quote or a line break.
std::string CsvText(const std::string& text);

// A cell that is a decimal number ("-12.5", "0") when it reads as one, left
// as it is so that it stays a number; any other text as CsvText.
std::string CsvNumberOrText(const std::string& text);

}  // namespace station
