// The cost of one presence search on the Linux bus over 256 hidraw
// interfaces of a generated sysfs tree, none of them the controller: the
// work of every supervision tick while the controller is absent.
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <ftw.h>
#include <string>

#include "device/bus/hid_bus_hidraw.h"
#include "device/hid_link.h"
#include "device/reports.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main() {
  char name[] = "/tmp/swr_bench_hidraw_XXXXXX";
  if (mkdtemp(name) == nullptr) return 1;
  const std::string root = name;
  for (const char* d : {"/class", "/devices", "/dev"}) mkdir((root + d).c_str(), 0755);
  for (int n = 0; n < 256; ++n) {
    const std::string s = std::to_string(n);
    const std::string usb = root + "/devices/1-" + s;
    const std::string hid = usb + "/0003:046D:C077.0" + s;
    mkdir(usb.c_str(), 0755);
    mkdir(hid.c_str(), 0755);
    std::ofstream(usb + "/bcdDevice") << "0100\n";
    std::ofstream(hid + "/uevent") << "DRIVER=hid-generic\nHID_ID=0003:0000046D:0000C077\n"
                                      "HID_NAME=Mouse\nHID_PHYS=usb-0000:00:14.0-1/input0\n";
    const std::string cls = root + "/class/hidraw" + s;
    mkdir(cls.c_str(), 0755);
    if (symlink(hid.c_str(), (cls + "/device").c_str()) != 0) return 1;
    std::ofstream(root + "/dev/hidraw" + s);
  }
  HidrawBus::SetRootsForTests(root + "/class", root + "/dev");

  constexpr int kSearches = 50;
  int found = 0;
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < kSearches; ++i) {
    found += HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId);
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / kSearches;
  const double cpu = (CpuSeconds() - cpu0) / kSearches;
  std::printf("IsPresent over 256 hidraw interfaces of a generated tree (found %d): %.0f us CPU, "
              "%.0f us wall per search; at 5 searches/s: CPU %.2f ms/s\n",
              found, cpu * 1e6, wall * 1e6, 5 * cpu * 1e3);

  nftw(root.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
       FTW_DEPTH | FTW_PHYS);
  return 0;
}
