// The one spelling of an IPv4 address the station takes, shared by the
// HTTP side's checks and the --rig and --wsjtx address parsers.
#pragma once

#include <string>

namespace station {

// Four decimal numbers of 0..255 joined by dots, nothing else ("1.2.3"
// and "01.2.3.4x" are not), the same on every platform.
bool Ipv4Literal(const std::string& text);

// The same, handing back the first of the four numbers (127 for loopback).
bool Ipv4Literal(const std::string& text, int& first);

}  // namespace station
