// Fuzz target: serve's --listen value.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/swrctl/serve.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string host;
  unsigned short port = 0;
  swrctl::ParseListen(std::string(reinterpret_cast<const char*>(data), size), host, port);
  return 0;
}
