// The virtual HID bus as the driver controls it: the interface table that the
// stand-in libraries read, the devices behind it, and the bytes that the
// program under test writes to each controller.
//
// A controller is a named pipe served here, so the program's own CreateFileA,
// ReadFile and WriteFile do the transfers. Other devices are files made by
// the driver; one that "refuses read/write" is held open without write
// sharing, so only the no-access (query) opens succeed, as with a device the
// system holds exclusively.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "../bus_layout.h"

namespace wt {

constexpr std::uint16_t kControllerVendor = 0xAAAB;
constexpr std::uint16_t kControllerProduct = 0xEF02;

struct Command {
  int device;
  int connection;  // serial of the pipe connection it arrived on
  std::vector<std::uint8_t> bytes;
  DWORD tick;
};

struct PipeInstance;
struct PipeDevice;

class VirtualBus {
 public:
  VirtualBus() = default;
  ~VirtualBus();
  VirtualBus(const VirtualBus&) = delete;
  VirtualBus& operator=(const VirtualBus&) = delete;

  bool Start(std::string& error);
  void Stop();

  // A device served through a named pipe (a controller, usually).
  int AddPipeDevice(std::uint16_t vendor, std::uint16_t product, std::uint16_t version);
  // A device backed by a file of its own.
  int AddFileDevice(std::uint16_t vendor, std::uint16_t product, std::uint16_t version, bool refuseReadWrite);
  // Lets a refusing file device accept read/write opens from now on.
  void AllowReadWrite(int device);

  // The interfaces present, in enumeration order. Pipe devices missing from
  // the list are unplugged: their connections are cut and they stop listening.
  void SetInterfaces(const std::vector<int>& devices);

  // Sends one input report on every open connection of a pipe device.
  void Feed(int device, const std::uint8_t report[9]);

  // The device path the bus hands out for a device.
  std::string Path(int device) const;
  std::vector<Command> Commands() const;
  size_t CommandCount() const;
  int OpenConnections(int device) const;
  int ConnectionsMade(int device) const;
  swrbus::Observed Seen() const;
  void ResetSeen();

  // Called on the I/O thread (internal).
  void OnConnected(PipeInstance* instance);
  void OnRead(PipeInstance* instance, DWORD bytes, bool ok);

 private:
  struct Device {
    bool isPipe;
    std::uint16_t vendor, product, version;
    std::string path;
    HANDLE hold = nullptr;  // the file kept open without write sharing
    PipeDevice* pipe = nullptr;
  };

  void Listen(PipeDevice* device);
  void CloseInstance(PipeInstance* instance);
  void Unplug(PipeDevice* device);
  static DWORD WINAPI IoThread(LPVOID self);

  mutable std::mutex mutex_;
  HANDLE mapping_ = nullptr;
  HANDLE lock_ = nullptr;
  swrbus::State* state_ = nullptr;
  HANDLE port_ = nullptr;
  HANDLE thread_ = nullptr;
  std::wstring fileDir_;
  std::vector<Device> devices_;
  std::vector<Command> commands_;
  int serials_ = 0;
};

}  // namespace wt
