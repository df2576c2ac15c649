// One printed line of swrctl watch: a time stamp and the panel's texts for
// one input report, as text, CSV or a JSON object.
#pragma once

#include <cstdint>
#include <string>

#include "station/core/local_time.h"
#include "tools/swrctl/options.h"

namespace swrctl {
using namespace ::station;

// The first line of CSV output; empty for the other formats.
std::string HeaderLine(Format format);

// The line for one 9-byte report, without the newline.
std::string ReadingLine(Format format, const LocalTime& time, const std::uint8_t* report);

}  // namespace swrctl
