// The recording text sink; see text_recorder.h.
#include "text_recorder.h"

namespace recorder {
namespace {
std::mutex mutex;
std::vector<Update> updates;
}  // namespace

void Clear() {
  std::lock_guard<std::mutex> lock(mutex);
  updates.clear();
}

void Sink(int controlId, const char* text) {
  std::lock_guard<std::mutex> lock(mutex);
  updates.emplace_back(controlId, text);
}

std::vector<Update> Updates() {
  std::lock_guard<std::mutex> lock(mutex);
  return updates;
}

std::size_t Count() {
  std::lock_guard<std::mutex> lock(mutex);
  return updates.size();
}

std::map<int, std::string> Fields() {
  std::lock_guard<std::mutex> lock(mutex);
  std::map<int, std::string> fields;
  for (const Update& u : updates) fields[u.first] = u.second;
  return fields;
}

}  // namespace recorder
