// Settings of the Linux hidraw bus that only tests change.
#pragma once

#include <string>

namespace HidrawBus {

// Points the bus at a generated tree: `classDir` stands for
// /sys/class/hidraw (entries hidrawN whose `device` leads to the HID device's
// directory with its uevent) and `devDir` for /dev (the nodes hidrawN).
// Empty strings restore the system's directories.
void SetRootsForTests(const std::string& classDir, const std::string& devDir);

// Where the one-line notice about a controller node that cannot be opened
// goes (standard error by default); nullptr restores the default.
using NoticeSink = void (*)(const std::string& line);
void SetNoticeSinkForTests(NoticeSink sink);

}  // namespace HidrawBus
