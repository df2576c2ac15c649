// The virtual bus's interface table and the named-pipe devices behind it;
// see virtual_bus.h.
#include "virtual_bus.h"

#include <cstring>
#include <set>

#include "report.h"

namespace wt {

struct PipeDevice {
  int id = 0;
  std::wstring name;
  bool plugged = false;
  std::set<PipeInstance*> listeners;
  std::set<PipeInstance*> connections;
  int made = 0;
};

namespace {

enum class OpKind { Connect, Read, Write };

struct Op {
  OVERLAPPED ov;  // first, so a completed OVERLAPPED* is the Op*
  OpKind kind;
  PipeInstance* instance;
  std::uint8_t data[9];
};

constexpr ULONG_PTR kQuitKey = 1;
constexpr int kListeners = 4;

}  // namespace

struct PipeInstance {
  PipeDevice* device = nullptr;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  int serial = 0;
  bool connected = false;
  bool closed = false;
  Op connectOp{};
  Op readOp{};
  std::uint8_t buffer[64]{};
};

VirtualBus::~VirtualBus() { Stop(); }

bool VirtualBus::Start(std::string& error) {
  mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(swrbus::State),
                                swrbus::kMappingName);
  if (!mapping_) {
    error = Format("cannot create the bus mapping (error %lu)", GetLastError());
    return false;
  }
  state_ = static_cast<swrbus::State*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(swrbus::State)));
  lock_ = CreateMutexW(nullptr, FALSE, swrbus::kMutexName);
  port_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
  if (!state_ || !lock_ || !port_) {
    error = Format("cannot set up the bus (error %lu)", GetLastError());
    return false;
  }
  std::memset(state_, 0, sizeof(swrbus::State));
  state_->magic = swrbus::kMagic;
  fileDir_ = Wide(Format("C:\\swrbus-%lu", GetCurrentProcessId()));
  CreateDirectoryW(fileDir_.c_str(), nullptr);
  thread_ = CreateThread(nullptr, 0, IoThread, this, 0, nullptr);
  return thread_ != nullptr;
}

void VirtualBus::Stop() {
  if (thread_) {
    PostQueuedCompletionStatus(port_, 0, kQuitKey, nullptr);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  for (Device& d : devices_) {
    if (d.pipe) Unplug(d.pipe);
    if (d.hold) CloseHandle(d.hold);
    d.hold = nullptr;
    if (!d.isPipe) DeleteFileW(Wide(d.path).c_str());
  }
  if (!fileDir_.empty()) RemoveDirectoryW(fileDir_.c_str());
  fileDir_.clear();
  if (state_) {
    state_->count = 0;
    UnmapViewOfFile(state_);
    state_ = nullptr;
  }
  if (mapping_) CloseHandle(mapping_);
  if (lock_) CloseHandle(lock_);
  if (port_) CloseHandle(port_);
  mapping_ = lock_ = port_ = nullptr;
}

int VirtualBus::AddPipeDevice(std::uint16_t vendor, std::uint16_t product, std::uint16_t version) {
  std::lock_guard<std::mutex> guard(mutex_);
  const int id = static_cast<int>(devices_.size());
  Device d{};
  d.isPipe = true;
  d.vendor = vendor;
  d.product = product;
  d.version = version;
  d.path = Format("\\\\.\\pipe\\swrbus-%lu-%d", GetCurrentProcessId(), id);
  d.pipe = new PipeDevice;
  d.pipe->id = id;
  d.pipe->name = Wide(d.path);
  devices_.push_back(d);
  return id;
}

int VirtualBus::AddFileDevice(std::uint16_t vendor, std::uint16_t product, std::uint16_t version,
                              bool refuseReadWrite) {
  std::lock_guard<std::mutex> guard(mutex_);
  const int id = static_cast<int>(devices_.size());
  Device d{};
  d.isPipe = false;
  d.vendor = vendor;
  d.product = product;
  d.version = version;
  d.path = Utf8(fileDir_) + Format("\\device-%d", id);
  HANDLE file = CreateFileW(Wide(d.path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (refuseReadWrite) {
    // Held open for reading without write sharing: a later open that asks
    // for write access fails with a sharing violation; a no-access open works.
    d.hold = CreateFileW(Wide(d.path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  devices_.push_back(d);
  return id;
}

void VirtualBus::AllowReadWrite(int device) {
  std::lock_guard<std::mutex> guard(mutex_);
  Device& d = devices_.at(static_cast<size_t>(device));
  if (d.hold) CloseHandle(d.hold);
  d.hold = nullptr;
}

void VirtualBus::SetInterfaces(const std::vector<int>& list) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::set<int> listed(list.begin(), list.end());
  // Unplug first, so a device leaves the table and loses its pipes together.
  WaitForSingleObject(lock_, 5000);
  state_->count = 0;
  size_t n = 0;
  for (int id : list) {
    if (n >= static_cast<size_t>(swrbus::kMaxInterfaces)) break;
    const Device& d = devices_.at(static_cast<size_t>(id));
    swrbus::Interface& item = state_->items[n++];
    std::memset(&item, 0, sizeof item);
    std::strncpy(item.path, d.path.c_str(), sizeof item.path - 1);
    item.vendorId = d.vendor;
    item.productId = d.product;
    item.version = d.version;
  }
  state_->count = static_cast<std::uint32_t>(n);
  ReleaseMutex(lock_);
  for (Device& d : devices_) {
    if (!d.pipe) continue;
    const bool want = listed.count(d.pipe->id) != 0;
    if (want && !d.pipe->plugged) {
      d.pipe->plugged = true;
      // Several instances wait at once, so the program's opens in quick
      // succession never find every instance busy.
      for (int i = 0; i < kListeners; ++i) Listen(d.pipe);
    } else if (!want && d.pipe->plugged) {
      Unplug(d.pipe);
    }
  }
}

void VirtualBus::Listen(PipeDevice* device) {
  auto* instance = new PipeInstance;  // kept until the process ends: completions may still name it
  instance->device = device;
  instance->serial = ++serials_;
  instance->pipe = CreateNamedPipeW(device->name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                    PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
  if (instance->pipe == INVALID_HANDLE_VALUE) {
    Note(Format("bus: cannot create pipe %s (error %lu)", Utf8(device->name).c_str(), GetLastError()));
    return;
  }
  CreateIoCompletionPort(instance->pipe, port_, reinterpret_cast<ULONG_PTR>(instance), 0);
  device->listeners.insert(instance);
  instance->connectOp.kind = OpKind::Connect;
  instance->connectOp.instance = instance;
  if (ConnectNamedPipe(instance->pipe, &instance->connectOp.ov)) return;
  const DWORD error = GetLastError();
  if (error == ERROR_IO_PENDING) return;
  if (error == ERROR_PIPE_CONNECTED) {
    OnConnected(instance);
    return;
  }
  CloseInstance(instance);
}

void VirtualBus::OnConnected(PipeInstance* instance) {
  PipeDevice* device = instance->device;
  if (instance->closed) return;
  instance->connected = true;
  device->listeners.erase(instance);
  device->connections.insert(instance);
  ++device->made;
  instance->readOp.kind = OpKind::Read;
  instance->readOp.instance = instance;
  if (!ReadFile(instance->pipe, instance->buffer, sizeof instance->buffer, nullptr, &instance->readOp.ov)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) CloseInstance(instance);
  }
  if (device->plugged) Listen(device);
}

void VirtualBus::OnRead(PipeInstance* instance, DWORD bytes, bool ok) {
  if (instance->closed) return;
  if (!ok && GetLastError() != ERROR_MORE_DATA) {
    CloseInstance(instance);
    return;
  }
  Command c;
  c.device = instance->device->id;
  c.connection = instance->serial;
  c.bytes.assign(instance->buffer, instance->buffer + bytes);
  c.tick = GetTickCount();
  commands_.push_back(c);
  std::memset(&instance->readOp.ov, 0, sizeof instance->readOp.ov);
  if (!ReadFile(instance->pipe, instance->buffer, sizeof instance->buffer, nullptr, &instance->readOp.ov)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA) CloseInstance(instance);
  }
}

void VirtualBus::CloseInstance(PipeInstance* instance) {
  if (instance->closed) return;
  instance->closed = true;
  PipeDevice* device = instance->device;
  device->connections.erase(instance);
  device->listeners.erase(instance);
  if (instance->pipe != INVALID_HANDLE_VALUE) {
    CancelIoEx(instance->pipe, nullptr);
    if (instance->connected) DisconnectNamedPipe(instance->pipe);
    CloseHandle(instance->pipe);
    instance->pipe = INVALID_HANDLE_VALUE;
  }
}

void VirtualBus::Unplug(PipeDevice* device) {
  device->plugged = false;
  const std::set<PipeInstance*> listening = device->listeners;
  for (PipeInstance* instance : listening) CloseInstance(instance);
  const std::set<PipeInstance*> open = device->connections;
  for (PipeInstance* instance : open) CloseInstance(instance);
}

void VirtualBus::Feed(int id, const std::uint8_t report[9]) {
  std::lock_guard<std::mutex> guard(mutex_);
  PipeDevice* device = devices_.at(static_cast<size_t>(id)).pipe;
  if (!device) return;
  for (PipeInstance* instance : device->connections) {
    auto* op = new Op{};
    op->kind = OpKind::Write;
    op->instance = instance;
    std::memcpy(op->data, report, 9);
    if (!WriteFile(instance->pipe, op->data, 9, nullptr, &op->ov) && GetLastError() != ERROR_IO_PENDING) {
      delete op;  // no completion will come
    }
  }
}

DWORD WINAPI VirtualBus::IoThread(LPVOID self) {
  auto* bus = static_cast<VirtualBus*>(self);
  for (;;) {
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* ov = nullptr;
    const BOOL ok = GetQueuedCompletionStatus(bus->port_, &bytes, &key, &ov, INFINITE);
    const DWORD error = GetLastError();
    if (key == kQuitKey && !ov) break;
    if (!ov) continue;
    Op* op = reinterpret_cast<Op*>(ov);
    std::lock_guard<std::mutex> guard(bus->mutex_);
    switch (op->kind) {
      case OpKind::Connect:
        if (ok) {
          bus->OnConnected(op->instance);
        } else {
          bus->CloseInstance(op->instance);
        }
        break;
      case OpKind::Read:
        SetLastError(error);
        bus->OnRead(op->instance, bytes, ok != FALSE);
        break;
      case OpKind::Write:
        delete op;
        break;
    }
  }
  return 0;
}

std::string VirtualBus::Path(int device) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return devices_.at(static_cast<size_t>(device)).path;
}

std::vector<Command> VirtualBus::Commands() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return commands_;
}

size_t VirtualBus::CommandCount() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return commands_.size();
}

int VirtualBus::OpenConnections(int device) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const PipeDevice* p = devices_.at(static_cast<size_t>(device)).pipe;
  return p ? static_cast<int>(p->connections.size()) : 0;
}

int VirtualBus::ConnectionsMade(int device) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const PipeDevice* p = devices_.at(static_cast<size_t>(device)).pipe;
  return p ? p->made : 0;
}

swrbus::Observed VirtualBus::Seen() const {
  swrbus::Observed copy;
  std::memcpy(static_cast<void*>(&copy), const_cast<const swrbus::Observed*>(&state_->seen), sizeof copy);
  return copy;
}

void VirtualBus::ResetSeen() {
  std::memset(static_cast<void*>(const_cast<swrbus::Observed*>(&state_->seen)), 0, sizeof state_->seen);
}

}  // namespace wt
