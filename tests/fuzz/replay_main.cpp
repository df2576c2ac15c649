// Runs a fuzz target's entry point over saved inputs, so the inputs the
// fuzzers found worth keeping (and every crash once fixed) are replayed by
// the ordinary test run, with any compiler and without libFuzzer.
//
//   fuzz_replay_NAME FILE_OR_DIRECTORY...
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  long count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) Replay(entry.path()), ++count;
      }
    } else {
      Replay(path), ++count;
    }
  }
  // An empty input too: every parser must take it.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::cout << "replayed " << count << " inputs\n";
  return count > 0 ? 0 : 1;
}
