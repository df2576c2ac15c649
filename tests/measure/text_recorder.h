// A set-text sink for the reader that records every text it is given.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace recorder {

using Update = std::pair<int, std::string>;  // control identifier, text

void Clear();
void Sink(int controlId, const char* text);
std::vector<Update> Updates();
std::size_t Count();
// The text each control shows after all updates so far.
std::map<int, std::string> Fields();

}  // namespace recorder
