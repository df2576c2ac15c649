// The Linux bus against a generated sysfs and /dev tree: interface order,
// identity parsing, and the report-ID byte on reads and writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device/bus/hid_bus_hidraw.h"
#include "device/hid_link.h"
#include "device/reports.h"
#include "wait_until.h"

namespace {

const std::string kControllerId = "HID_ID=0003:0000AAAB:0000EF02\n";

// Vendor-defined usage page, 8-byte input and output reports.
const std::vector<std::uint8_t> kUnnumbered = {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x15,
                                               0x00, 0x26, 0xff, 0x00, 0x75, 0x08, 0x95, 0x08,
                                               0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02,
                                               0xc0};
// The same with report ID 5.
const std::vector<std::uint8_t> kNumbered = {0x06, 0x00, 0xff, 0x09, 0x01, 0xa1, 0x01, 0x85,
                                             0x05, 0x15, 0x00, 0x26, 0xff, 0x00, 0x75, 0x08,
                                             0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01,
                                             0x91, 0x02, 0xc0};

enum class Node { Fifo, Socket, Missing };

struct NodeInfo {
  int number;
  std::string uevent;       // "" with hasUevent false: no uevent file
  bool hasUevent = true;
  std::string bcdDevice;    // "": none
  std::vector<std::uint8_t> descriptor = kUnnumbered;
  Node node = Node::Fifo;
};

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A throw-away root with class/ (for /sys/class/hidraw), devices/ and dev/.
class Tree {
 public:
  Tree() {
    char name[] = "/tmp/swr_hidraw_XXXXXX";
    root_ = ::mkdtemp(name);
    for (const char* d : {"/class", "/devices", "/dev"}) ::mkdir((root_ + d).c_str(), 0755);
    HidrawBus::SetRootsForTests(root_ + "/class", root_ + "/dev");
  }
  ~Tree() {
    for (const int fd : sockets_) ::close(fd);
    HidrawBus::SetRootsForTests("", "");
    ::nftw(root_.c_str(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); },
           16, FTW_DEPTH | FTW_PHYS);
  }

  void Add(const NodeInfo& s) {
    const std::string n = std::to_string(s.number);
    const std::string usb = root_ + "/devices/1-" + n;
    const std::string hid = usb + "/1-" + n + ":1.0/0003:AAAB:EF02.000" + n;
    ::mkdir(usb.c_str(), 0755);
    ::mkdir((usb + "/1-" + n + ":1.0").c_str(), 0755);
    ::mkdir(hid.c_str(), 0755);
    if (!s.bcdDevice.empty()) WriteFile(usb + "/bcdDevice", s.bcdDevice);
    if (s.hasUevent) WriteFile(hid + "/uevent", s.uevent);
    WriteFile(hid + "/report_descriptor", std::string(s.descriptor.begin(), s.descriptor.end()));
    const std::string cls = root_ + "/class/hidraw" + n;
    ::mkdir(cls.c_str(), 0755);
    EXPECT_EQ(::symlink(hid.c_str(), (cls + "/device").c_str()), 0);
    const std::string dev = DevPath(s.number);
    if (s.node == Node::Fifo) {
      EXPECT_EQ(::mkfifo(dev.c_str(), 0600), 0);
    } else if (s.node == Node::Socket) {
      // Exists, but nobody can open it: like a node without permission.
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un addr{};
      addr.sun_family = AF_UNIX;
      dev.copy(addr.sun_path, sizeof addr.sun_path - 1);
      EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
      sockets_.push_back(fd);
    }
  }
  void AddOther(const std::string& name) { ::mkdir((root_ + "/class/" + name).c_str(), 0755); }
  std::string DevPath(int n) const { return root_ + "/dev/hidraw" + std::to_string(n); }

 private:
  std::string root_;
  std::vector<int> sockets_;
};

std::vector<std::string> Enumerate() {
  std::vector<std::string> paths;
  const HidBus::DeviceSet set = HidBus::OpenDeviceSet();
  EXPECT_NE(set, 0);
  std::string path;
  for (int i = 0; HidBus::InterfacePath(set, i, path); ++i) paths.push_back(path);
  HidBus::CloseDeviceSet(set);
  return paths;
}

TEST(HidrawBus, InterfacesInAscendingNodeNumber) {
  Tree tree;
  for (const int n : {10, 2, 1, 0}) tree.Add({n, kControllerId, true, ""});
  tree.AddOther("hidrawx");
  tree.AddOther("hidraw");
  tree.AddOther("event3");
  EXPECT_EQ(Enumerate(), (std::vector<std::string>{tree.DevPath(0), tree.DevPath(1),
                                                   tree.DevPath(2), tree.DevPath(10)}));
}

TEST(HidrawBus, NoHidrawClassMeansNoInterfaces) {
  HidrawBus::SetRootsForTests("/nonexistent/class", "/nonexistent/dev");
  EXPECT_TRUE(Enumerate().empty());
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 0);
  HidrawBus::SetRootsForTests("", "");
}

TEST(HidrawBus, IdentityFromSysfs) {
  struct Case {
    const char* name;
    std::string uevent;
    bool hasUevent;
    std::string bcd;
    bool known;
    std::uint16_t vendor, product, version;
  };
  const Case cases[] = {
      {"typical", "DRIVER=hid-generic\n" + kControllerId + "HID_NAME=x\n", true, "0100\n", true,
       0xAAAB, 0xEF02, 0x0100},
      {"lower case, no final newline", "HID_ID=0003:0000aaab:0000ef02", true, "", true, 0xAAAB,
       0xEF02, 0},
      {"exchanged", "HID_ID=0003:0000EF02:0000AAAB\n", true, "0200", true, 0xEF02, 0xAAAB, 0x0200},
      {"bluetooth bus", "HID_ID=0005:0000AAAB:0000EF02\n", true, "", true, 0xAAAB, 0xEF02, 0},
      {"truncated after vendor", "HID_ID=0003:0000AAAB\n", true, "", false, 0, 0, 0},
      {"truncated in the key", "HID_I", true, "", false, 0, 0, 0},
      {"empty product", "HID_ID=0003:0000AAAB:\n", true, "", false, 0, 0, 0},
      {"vendor wider than 16 bits", "HID_ID=0003:0001AAAB:0000EF02\n", true, "", false, 0, 0, 0},
      {"not hexadecimal", "HID_ID=0003:0000AAAG:0000EF02\n", true, "", false, 0, 0, 0},
      {"too many digits", "HID_ID=0003:000000000AAAB:0000EF02\n", true, "", false, 0, 0, 0},
      {"key not at line start", "XHID_ID=0003:0000AAAB:0000EF02\n", true, "", false, 0, 0, 0},
      {"empty uevent", "", true, "", false, 0, 0, 0},
      {"no uevent", "", false, "0100", false, 0, 0, 0},
      {"odd bcdDevice", kControllerId, true, "zz\n", true, 0xAAAB, 0xEF02, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tree tree;
    NodeInfo node{0, c.uevent, c.hasUevent, c.bcd};
    tree.Add(node);
    const HidBus::Handle h = HidBus::OpenPath(tree.DevPath(0), HidBus::Access::Query);
    ASSERT_GT(h, 0);
    HidBus::Attributes a;
    a.vendorId = 1;
    EXPECT_EQ(HidBus::GetAttributes(h, a), c.known);
    if (c.known) {
      EXPECT_EQ(a.vendorId, c.vendor);
      EXPECT_EQ(a.productId, c.product);
      EXPECT_EQ(a.version, c.version);
    } else {
      EXPECT_EQ(a.vendorId, 1);  // left alone
    }
    HidBus::ClosePath(h);
  }
}

TEST(HidrawBus, SearchFindsTheControllerAmongOthers) {
  Tree tree;
  tree.Add({0, "HID_ID=0003:0000046D:0000C077\n", true, ""});
  tree.Add({1, "HID_ID=0003:0000EF02:0000AAAB\n", true, ""});
  tree.Add({2, kControllerId, true, "", kUnnumbered, Node::Missing});  // node gone
  tree.Add({3, kControllerId, true, ""});
  const HidLink::Handle h = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  ASSERT_NE(h, 0);
  HidBus::Attributes a;
  EXPECT_TRUE(HidBus::GetAttributes(h, a));
  EXPECT_EQ(a.productId, swr::ControllerProductId);
  HidLink::Close(h);
}

TEST(HidrawBus, PresenceNeedsNoPermissionOnTheNode) {
  Tree tree;
  tree.Add({0, kControllerId, true, "", kUnnumbered, Node::Socket});
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 1);
  EXPECT_EQ(HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId), 0);
}

// The bus's end of a FIFO node, and the test's own end standing for the device.
struct Link {
  explicit Link(const std::vector<std::uint8_t>& descriptor) {
    tree.Add({0, kControllerId, true, "", descriptor});
    handle = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    device = ::open(tree.DevPath(0).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  }
  ~Link() {
    HidLink::Close(handle);
    ::close(device);
  }
  void Send(const std::vector<std::uint8_t>& bytes) const {
    ASSERT_EQ(::write(device, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  std::vector<std::uint8_t> Received() const {
    std::vector<std::uint8_t> bytes(64);
    const ssize_t n = ::read(device, bytes.data(), bytes.size());
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
  }
  Tree tree;
  HidLink::Handle handle = 0;
  int device = -1;
};

TEST(HidrawBus, ReadsComeWithTheReportIdByte) {
  {
    Link link(kUnnumbered);
    ASSERT_NE(link.handle, 0);
    link.Send({1, 2, 3, 4, 5, 6, 7, 8});
    std::uint8_t r[10];
    std::memset(r, 0xee, sizeof r);
    EXPECT_EQ(HidLink::Read(link.handle, r, 9), 9);
    EXPECT_EQ(std::vector<std::uint8_t>(r, r + 10),
              (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 0xee}));
    EXPECT_EQ(HidLink::Read(link.handle, r, 8), 0);  // shorter than a report
  }
  {
    Link link(kNumbered);
    link.Send({5, 1, 2, 3, 4, 5, 6, 7, 8});
    std::uint8_t r[9] = {};
    EXPECT_EQ(HidLink::Read(link.handle, r, 9), 9);
    EXPECT_EQ(std::vector<std::uint8_t>(r, r + 9),
              (std::vector<std::uint8_t>{5, 1, 2, 3, 4, 5, 6, 7, 8}));
  }
}

TEST(HidrawBus, WritesTakeTheReportIdByte) {
  const std::vector<std::uint8_t> report = {0, 8, 1, 0, 0, 0, 0, 0, 0};
  {
    Link link(kUnnumbered);
    EXPECT_EQ(HidLink::Write(link.handle, report.data(), 9), 9);
    EXPECT_EQ(link.Received(), report);
    const std::vector<std::uint8_t> withId = {5, 8, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(HidLink::Write(link.handle, withId.data(), 9), 0);
    EXPECT_TRUE(link.Received().empty());
  }
  {
    Link link(kNumbered);
    const std::vector<std::uint8_t> withId = {5, 8, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(HidLink::Write(link.handle, withId.data(), 9), 9);
    EXPECT_EQ(link.Received(), withId);
  }
}

TEST(HidrawBus, CancelAndCloseWakeABlockedRead) {
  Link link(kUnnumbered);
  for (const bool close : {false, true}) {
    std::atomic<bool> done{false};
    int result = -1;
    std::thread reader([&] {
      std::uint8_t r[9];
      result = HidLink::Read(link.handle, r, 9);
      done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done);  // nothing to read: it waits
    if (close) {
      HidLink::Close(link.handle);
      link.handle = 0;
    } else {
      HidBus::CancelRead(link.handle);
    }
    EXPECT_TRUE(testwait::WaitUntil([&] { return done.load(); }));
    reader.join();
    EXPECT_EQ(result, 0);
  }
}

}  // namespace

namespace {

std::vector<std::string> notices;
void CollectNotice(const std::string& line) { notices.push_back(line); }

// Puts a socket (exists, cannot be opened) or a FIFO (opens) at `path`.
void ReplaceNode(const std::string& path, bool openable, std::vector<int>& sockets) {
  ::unlink(path.c_str());
  if (openable) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, sizeof addr.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  sockets.push_back(fd);
}

}  // namespace

TEST(HidrawBus, AControllerNodeThatCannotBeOpenedIsToldOnceUntilItOpens) {
  notices.clear();
  HidrawBus::SetNoticeSinkForTests(CollectNotice);
  std::vector<int> sockets;
  {
    Tree tree;
    tree.Add({0, "HID_ID=0003:0000046D:0000C077\n", true, "", kUnnumbered, Node::Socket});  // not ours
    tree.Add({1, kControllerId, true, "", kUnnumbered, Node::Missing});  // gone: no news
    tree.Add({2, kControllerId, true, "", kUnnumbered, Node::Socket});
    for (int tick = 0; tick < 3; ++tick) {
      EXPECT_EQ(HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId), 0);
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(tree.DevPath(2)), std::string::npos) << notices[0];
    EXPECT_NE(notices[0].find("70-swrpanel.rules"), std::string::npos) << notices[0];
    EXPECT_EQ(notices[0].find('\n'), std::string::npos);

    // Once the node has opened, a new refusal is told again.
    ReplaceNode(tree.DevPath(2), true, sockets);
    const HidLink::Handle h = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    EXPECT_NE(h, 0);
    HidLink::Close(h);
    ReplaceNode(tree.DevPath(2), false, sockets);
    EXPECT_EQ(HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId), 0);
    EXPECT_EQ(notices.size(), 2u);
  }
  for (const int fd : sockets) ::close(fd);
  HidrawBus::SetNoticeSinkForTests(nullptr);
}
