// swrctl log --qsos and swrctl adif fill: the station log's QSOs out, and
// a logger's ADIF file filled in from the station log's transmissions.
#pragma once

#include <iosfwd>

#include "tools/swrctl/options.h"

namespace swrctl {
using namespace ::station;

int ListQsos(const Options& options, std::ostream& out, std::ostream& err);

// Reads IN whole, writes it filled to -o OUT (never IN, by whatever path)
// or `out`; the counts on `err`.
int AdifFill(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace swrctl
