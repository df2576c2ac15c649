// The stand-in libraries' view of the virtual bus; see bus_view.h.
#include "bus_view.h"

namespace swrbus {
namespace {

State* g_state = nullptr;
HANDLE g_mutex = nullptr;

}  // namespace

State* View() {
  if (g_state) return g_state;
  HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, kMappingName);
  if (!mapping) return nullptr;
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(State));
  CloseHandle(mapping);  // the view keeps the section alive
  auto* state = static_cast<State*>(view);
  if (!state || state->magic != kMagic) return nullptr;
  // Several threads may race here; they all map the same section.
  g_state = state;
  return g_state;
}

Locked::Locked() : mutex_(nullptr), held_(false) {
  if (!g_mutex) g_mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutexName);
  mutex_ = g_mutex;
  if (mutex_) {
    const DWORD r = WaitForSingleObject(mutex_, 2000);
    held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
}

Locked::~Locked() {
  if (held_) ReleaseMutex(mutex_);
}

}  // namespace swrbus
