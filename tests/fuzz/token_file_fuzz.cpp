// Fuzz target: the text of a token file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "station/core/token.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string token;
  if (station::TokenFromText(std::string(reinterpret_cast<const char*>(data), size), token)) {
    if (token.size() < 16 || token.size() > 256) __builtin_trap();
  }
  return 0;
}
