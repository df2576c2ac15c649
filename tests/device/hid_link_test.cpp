// The device search over a scripted bus: which interface is taken, and that
// every handle the search opens is either returned or closed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "device/hid_link.h"
#include "device/reports.h"
#include "tests/fake_hid_bus.h"

namespace {

using fakebus::Interface;

Interface Other(const std::string& path, std::uint16_t vid = 0x046d, std::uint16_t pid = 0xc077) {
  Interface i;
  i.path = path;
  i.vendorId = vid;
  i.productId = pid;
  return i;
}

std::vector<Interface> Others(int count) {
  std::vector<Interface> list;
  for (int i = 0; i < count; ++i) list.push_back(Other("other" + std::to_string(i)));
  return list;
}

std::vector<Interface> With(std::vector<Interface> list, const Interface& last) {
  list.push_back(last);
  return list;
}

Interface Modified(Interface i, bool queryOpens, bool readWriteOpens, bool attributesReadable) {
  i.queryOpens = queryOpens;
  i.readWriteOpens = readWriteOpens;
  i.attributesReadable = attributesReadable;
  return i;
}

struct Case {
  const char* name;
  std::vector<Interface> interfaces;
  int present;           // IsPresent
  std::string openPath;  // the interface Open leaves open; "" = none
  bool setAvailable = true;
  bool interfacesListed = true;
};

std::vector<Case> Cases() {
  const Interface c = fakebus::Controller("ctl");
  return {
      {"controller alone", {c}, 1, "ctl"},
      {"no devices", {}, 0, ""},
      {"vendor and product exchanged",
       {Other("swapped", swr::ControllerProductId, swr::ControllerVendorId)}, 0, ""},
      {"only the vendor matches", {Other("v", swr::ControllerVendorId, 0x0001)}, 0, ""},
      {"after other devices", With(Others(3), c), 1, "ctl"},
      {"two controllers: the first", {fakebus::Controller("first"), fakebus::Controller("second")},
       1, "first"},
      {"at index 255", With(Others(255), c), 1, "ctl"},
      {"at index 256", With(Others(256), c), 0, ""},
      {"an interface that cannot be opened is skipped",
       {Modified(Other("kbd"), false, false, false), c}, 1, "ctl"},
      {"keyboard held exclusively: query only", {Modified(Other("kbd"), true, false, true), c}, 1,
       "ctl"},
      {"queried but not openable", {Modified(c, true, false, true)}, 1, ""},
      {"first cannot be opened, second can",
       {Modified(fakebus::Controller("first"), true, false, true), fakebus::Controller("second")},
       1, "second"},
      {"attributes unreadable", {Modified(c, true, true, false)}, 0, ""},
      {"no device set (library missing)", {c}, 0, "", false},
      {"enumeration yields nothing (function missing)", {c}, 0, "", true, false},
  };
}

void Prepare(const Case& c) {
  fakebus::Reset();
  fakebus::Bus().interfaces = c.interfaces;
  fakebus::Bus().setAvailable = c.setAvailable;
  fakebus::Bus().interfacesListed = c.interfacesListed;
}

TEST(FindDevice, PresenceLeavesNothingOpen) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Prepare(c);
    EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), c.present);
    EXPECT_TRUE(fakebus::Bus().openHandles.empty());
    EXPECT_EQ(fakebus::Bus().setsOpen, 0);
    EXPECT_LE(fakebus::Bus().pathsAsked, HidLink::kMaxInterfaces);
  }
}

TEST(FindDevice, OpenLeavesExactlyTheMatchOpen) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Prepare(c);
    const HidLink::Handle h = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    const fakebus::State& bus = fakebus::Bus();
    EXPECT_EQ(bus.setsOpen, 0);
    if (c.openPath.empty()) {
      EXPECT_EQ(h, 0);
      EXPECT_TRUE(bus.openHandles.empty());
    } else {
      EXPECT_NE(h, 0);
      ASSERT_EQ(bus.openHandles.size(), 1u);
      EXPECT_EQ(bus.openHandles[0], h);
      EXPECT_EQ(bus.opened.back(), c.openPath);  // the search stops at the match
    }
  }
}

TEST(FindDevice, VersionAndInstanceIndex) {
  fakebus::Reset();
  Interface v1 = fakebus::Controller("v1");
  Interface v2 = fakebus::Controller("v2");
  v1.version = 0x0100;
  v2.version = 0x0200;
  fakebus::Bus().interfaces = {Other("mouse"), v1, v2};
  struct Query {
    int version;
    int index;
    int present;
  };
  const Query queries[] = {{-1, 0, 1}, {-1, 1, 1}, {-1, 2, 0}, {0x0200, 0, 1},
                           {0x0200, 1, 0}, {0x0300, 0, 0}, {0x0100, 0, 1}};
  for (const Query& q : queries) {
    SCOPED_TRACE(testing::Message() << "version " << q.version << " index " << q.index);
    EXPECT_EQ(HidLink::FindDevice(swr::ControllerProductId, swr::ControllerVendorId, q.version,
                                  q.index, HidLink::Mode::Presence),
              q.present);
  }
  const HidLink::Handle second = HidLink::FindDevice(
      swr::ControllerProductId, swr::ControllerVendorId, -1, 1, HidLink::Mode::Open);
  EXPECT_NE(second, 0);
  EXPECT_EQ(fakebus::Bus().opened.back(), "v2");
  EXPECT_EQ(fakebus::Bus().openHandles, std::vector<HidBus::Handle>{second});
}

TEST(HidLinkTransfers, GuardsCallNothing) {
  fakebus::Reset();
  fakebus::Bus().reports.push_back(std::vector<std::uint8_t>(9, 7));
  std::uint8_t buffer[9] = {};
  struct Call {
    HidLink::Handle handle;
    std::uint8_t* buffer;
    int length;
  };
  const Call calls[] = {{0, buffer, 9}, {5, nullptr, 9}, {5, buffer, 0}, {5, buffer, -1}};
  for (const Call& c : calls) {
    EXPECT_EQ(HidLink::Read(c.handle, c.buffer, c.length), 0);
    EXPECT_EQ(HidLink::Write(c.handle, c.buffer, c.length), 0);
  }
  EXPECT_EQ(fakebus::Bus().reads, 0);
  EXPECT_TRUE(fakebus::Bus().writes.empty());

  EXPECT_EQ(HidLink::Read(5, buffer, 9), 9);
  EXPECT_EQ(buffer[8], 7);
  EXPECT_EQ(HidLink::Write(5, buffer, 9), 9);
  ASSERT_EQ(fakebus::Bus().writes.size(), 1u);
  EXPECT_EQ(fakebus::Bus().writes[0].handle, 5);
}

TEST(HidLinkTransfers, CloseOfZeroDoesNothing) {
  fakebus::Reset();
  fakebus::Bus().interfaces = {fakebus::Controller("ctl")};
  const HidLink::Handle h = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  HidLink::Close(0);
  EXPECT_EQ(fakebus::Bus().openHandles.size(), 1u);
  HidLink::Close(h);
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

}  // namespace
