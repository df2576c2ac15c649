// The HID bus on Linux: the hidraw nodes.
//
// Interfaces are the /dev/hidrawN nodes in ascending N. Their identity comes
// from sysfs (the HID device's uevent, and the USB device's bcdDevice for the
// version), so a presence check needs no permission on the node; only an
// open for reading and writing opens it. Reads and writes always carry the
// 9-byte report with the report-ID byte first, as on Windows: for a device
// without numbered reports the kernel delivers the data bytes alone, and the
// 0 in front is added here.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "device/bus/hid_bus.h"
#include "device/bus/hid_bus_hidraw.h"
#include "device/reports.h"

namespace {

constexpr const char* kClassDir = "/sys/class/hidraw";
constexpr const char* kDevDir = "/dev";
// Larger than any report: a read returns one whole report.
constexpr int kMaxReport = 4096;

struct Identity {
  bool known = false;
  HidBus::Attributes attributes;
  bool numberedReports = false;
};

struct Entry {
  int fd = -1;    // -1 for a query handle
  int wake = -1;  // eventfd that makes a blocked read return
  Identity identity;
  ~Entry() {
    if (fd >= 0) ::close(fd);
    if (wake >= 0) ::close(wake);
  }
};

struct Bus {
  std::mutex mutex;
  std::string classDir = kClassDir;
  std::string devDir = kDevDir;
  std::map<HidBus::Handle, std::shared_ptr<Entry>> handles;
  std::map<HidBus::DeviceSet, std::vector<std::string>> sets;
  HidBus::Handle nextHandle = 1;  // never reused
  HidBus::DeviceSet nextSet = 1;
  // Controller nodes whose open failure has been told, until they open.
  std::set<std::string> refusedNodes;
  HidrawBus::NoticeSink noticeSink = nullptr;
};

Bus& TheBus() {
  static Bus* bus = new Bus;  // lives until the process ends
  return *bus;
}

// N of a name "hidrawN", or -1.
long NodeNumber(const char* name) {
  static const char prefix[] = "hidraw";
  if (std::strncmp(name, prefix, sizeof prefix - 1) != 0) return -1;
  const char* digits = name + sizeof prefix - 1;
  if (*digits == '\0' || std::strlen(digits) > 9) return -1;
  long n = 0;
  for (const char* p = digits; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return -1;
    n = n * 10 + (*p - '0');
  }
  return n;
}

// At most `limit` bytes of a small file; false when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string& out, std::size_t limit = 4096) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  char chunk[512];
  while (out.size() < limit) {
    const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, limit - out.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

// A hexadecimal field of 1 to 8 digits that must fit in `max`.
bool ParseHex(const std::string& text, std::uint32_t max, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  std::uint32_t v = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    v = v * 16 + static_cast<std::uint32_t>(digit);
  }
  if (v > max) return false;
  value = v;
  return true;
}

// HID_ID=bus:vendor:product from a uevent file.
bool ParseUevent(const std::string& text, HidBus::Attributes& out) {
  static const std::string key = "HID_ID=";
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.compare(0, key.size(), key) != 0) continue;
    const std::string value = line.substr(key.size());
    const std::size_t first = value.find(':');
    const std::size_t second = first == std::string::npos ? first : value.find(':', first + 1);
    if (second == std::string::npos) return false;
    std::uint32_t bus, vendor, product;
    if (!ParseHex(value.substr(0, first), 0xffffffffu, bus) ||
        !ParseHex(value.substr(first + 1, second - first - 1), 0xffffu, vendor) ||
        !ParseHex(value.substr(second + 1), 0xffffu, product))
      return false;
    out.vendorId = static_cast<std::uint16_t>(vendor);
    out.productId = static_cast<std::uint16_t>(product);
    return true;
  }
  return false;
}

// Whether a report descriptor declares report IDs (a Report ID item).
bool DeclaresReportIds(const std::string& descriptor) {
  std::size_t i = 0;
  while (i < descriptor.size()) {
    const auto prefix = static_cast<std::uint8_t>(descriptor[i]);
    if (prefix == 0xfe) {  // long item: size byte, tag byte, data
      if (i + 1 >= descriptor.size()) break;
      i += 3 + static_cast<std::uint8_t>(descriptor[i + 1]);
      continue;
    }
    const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if ((prefix & 0xfc) == 0x84) return true;
    i += 1 + size;
  }
  return false;
}

// Identity of /dev/hidrawN from sysfs, without touching the node; whether
// it numbers its reports only when it is to be read or written.
Identity ReadIdentity(const Bus& bus, long n, bool forTransfers) {
  Identity id;
  const std::string device = bus.classDir + "/hidraw" + std::to_string(n) + "/device";
  std::string text;
  if (!ReadSmallFile(device + "/uevent", text) || !ParseUevent(text, id.attributes)) return id;
  id.known = true;
  // The version is the USB device's bcdDevice, two levels up from the HID
  // device (through the interface); other buses have none: 0.
  std::uint32_t version = 0;
  if (ReadSmallFile(device + "/../../bcdDevice", text, 16)) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (!ParseHex(text, 0xffffu, version)) version = 0;
  }
  id.attributes.version = static_cast<std::uint16_t>(version);
  if (forTransfers && ReadSmallFile(device + "/report_descriptor", text, kMaxReport)) {
    id.numberedReports = DeclaresReportIds(text);
  }
  return id;
}

// N of a device path devDir/hidrawN, or -1.
long PathNumber(const Bus& bus, const std::string& path) {
  const std::string prefix = bus.devDir + "/";
  if (path.compare(0, prefix.size(), prefix) != 0) return -1;
  return NodeNumber(path.c_str() + prefix.size());
}

std::shared_ptr<Entry> Find(HidBus::Handle handle) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto it = bus.handles.find(handle);
  return it == bus.handles.end() ? nullptr : it->second;
}

// The controller's node is there but cannot be opened (typically no
// permission: the udev rule is not installed): say so once on standard error,
// while the program goes on showing the controller as not connected.
void TellRefusedOpen(Bus& bus, const std::string& path, const Identity& identity, int error) {
  // A node that has vanished meanwhile (unplugged) is no news.
  if (error == ENOENT || !identity.known || identity.attributes.vendorId != swr::ControllerVendorId ||
      identity.attributes.productId != swr::ControllerProductId) {
    return;
  }
  std::string line;
  {
    std::lock_guard<std::mutex> lock(bus.mutex);
    if (!bus.refusedNodes.insert(path).second) return;
    // Named after the running program: the panel and swrctl share this bus.
    line = std::string(program_invocation_short_name) +
           ": cannot open the controller's node " + path + ": " + std::strerror(error) +
           " (the udev rule 70-swrpanel.rules gives the user access; see README)";
    if (bus.noticeSink) {
      bus.noticeSink(line);
      return;
    }
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

namespace HidrawBus {

void SetNoticeSinkForTests(NoticeSink sink) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.noticeSink = sink;
}

void SetRootsForTests(const std::string& classDir, const std::string& devDir) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.classDir = classDir.empty() ? kClassDir : classDir;
  bus.devDir = devDir.empty() ? kDevDir : devDir;
}

}  // namespace HidrawBus

namespace HidBus {

void Init() { TheBus(); }
void Shutdown() {}

DeviceSet OpenDeviceSet() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  // No hidraw class directory (no HID devices, or no hidraw driver): an
  // empty set, not a failure.
  std::vector<long> numbers;
  if (DIR* dir = ::opendir(bus.classDir.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      const long n = NodeNumber(e->d_name);
      if (n >= 0) numbers.push_back(n);
    }
    ::closedir(dir);
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::string> paths;
  for (const long n : numbers) paths.push_back(bus.devDir + "/hidraw" + std::to_string(n));
  const DeviceSet set = bus.nextSet++;
  bus.sets[set] = std::move(paths);
  return set;
}

bool InterfacePath(DeviceSet set, int index, std::string& path) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto it = bus.sets.find(set);
  if (it == bus.sets.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.size())
    return false;
  path = it->second[static_cast<std::size_t>(index)];
  return true;
}

void CloseDeviceSet(DeviceSet set) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.sets.erase(set);
}

Handle OpenPath(const std::string& path, Access access) {
  Bus& bus = TheBus();
  long n;
  Identity identity;
  {
    std::lock_guard<std::mutex> lock(bus.mutex);
    n = PathNumber(bus, path);
    if (n < 0) return 0;
    identity = ReadIdentity(bus, n, access == Access::ReadWrite);
  }
  auto entry = std::make_shared<Entry>();
  entry->identity = identity;
  if (access == Access::Query) {
    // Querying needs the node to exist, not permission to open it.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0;
  } else {
    entry->fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (entry->fd < 0) {
      TellRefusedOpen(bus, path, identity, errno);
      return 0;
    }
    entry->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (entry->wake < 0) return 0;
  }
  std::lock_guard<std::mutex> lock(bus.mutex);
  if (access == Access::ReadWrite) bus.refusedNodes.erase(path);
  const Handle handle = bus.nextHandle++;
  bus.handles[handle] = std::move(entry);
  return handle;
}

bool GetAttributes(Handle handle, Attributes& out) {
  const auto entry = Find(handle);
  if (!entry || !entry->identity.known) return false;
  out = entry->identity.attributes;
  return true;
}

void ClosePath(Handle handle) {
  std::shared_ptr<Entry> entry;
  {
    Bus& bus = TheBus();
    std::lock_guard<std::mutex> lock(bus.mutex);
    const auto it = bus.handles.find(handle);
    if (it == bus.handles.end()) return;
    entry = std::move(it->second);
    bus.handles.erase(it);
  }
  // A read still inside keeps the descriptors alive until it returns; wake it.
  if (entry->wake >= 0) {
    const std::uint64_t one = 1;
    (void)!::write(entry->wake, &one, sizeof one);
  }
}

int ReadReport(Handle handle, std::uint8_t* buffer, int length) {
  const auto entry = Find(handle);
  // As on Windows, a buffer shorter than the whole report fails.
  if (!entry || entry->fd < 0 || buffer == nullptr || length < 9) return 0;
  const bool numbered = entry->identity.numberedReports;
  for (;;) {
    pollfd fds[2] = {{entry->fd, POLLIN, 0}, {entry->wake, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return 0;
    if (fds[1].revents != 0) {
      std::uint64_t count;
      (void)!::read(entry->wake, &count, sizeof count);
      return 0;
    }
    if ((fds[0].revents & POLLIN) == 0) return 0;  // unplugged or failed
    std::uint8_t report[kMaxReport];
    const ssize_t n = ::read(entry->fd, report, sizeof report);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return 0;
    const std::size_t got = static_cast<std::size_t>(n);
    const std::size_t offset = numbered ? 0 : 1;
    const std::size_t copied = std::min(got, static_cast<std::size_t>(length) - offset);
    if (!numbered) buffer[0] = 0;
    std::memcpy(buffer + offset, report, copied);
    return static_cast<int>(copied + offset);
  }
}

int WriteReport(Handle handle, const std::uint8_t* buffer, int length) {
  const auto entry = Find(handle);
  if (!entry || entry->fd < 0 || buffer == nullptr || length <= 0) return 0;
  // hidraw takes the report-ID byte first, 0 for unnumbered reports, just
  // like the callers give it; a non-zero ID on such a device is refused, as
  // Windows does.
  if (!entry->identity.numberedReports && buffer[0] != 0) return 0;
  for (;;) {
    const ssize_t n = ::write(entry->fd, buffer, static_cast<std::size_t>(length));
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? 0 : static_cast<int>(n);
  }
}

void CancelRead(Handle handle) {
  const auto entry = Find(handle);
  if (!entry || entry->wake < 0) return;
  const std::uint64_t one = 1;
  (void)!::write(entry->wake, &one, sizeof one);
}

}  // namespace HidBus
