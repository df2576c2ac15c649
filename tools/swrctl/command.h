// The commands of swrctl that talk to the controller once: status and the
// four settings. Every command's bytes come from the panel's action table.
#pragma once

#include <iosfwd>
#include <string>

#include "device/actions.h"
#include "device/reports.h"
#include "tools/swrctl/options.h"

namespace swrctl {

// The bytes 1..3 the panel sends for the same action as these (valid)
// options: the sensor button, the power-range menu item, the maximum-SWR
// dialog accepted at that slider position, the blocking check box.
swr::CommandBytes CommandFor(const Options& options);

// The 9-byte report the panel puts on the wire for that command.
swr::CommandReport ReportFor(const Options& options);

// The 9 bytes as "00 08 01 00 00 00 00 00 00".
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

// The device path of the first controller found, searching as the panel's
// presence test does (query access, first match, at most 256 interfaces).
// false when there is none.
bool FindControllerPath(std::string& path);

// Sends the command of `options` (select, power, swr or blocking) and
// returns the exit status.
int SendCommand(const Options& options, std::ostream& out, std::ostream& err);

// swrctl status; returns the exit status.
int ShowStatus(std::ostream& out);

}  // namespace swrctl
