// The access token of swrctl serve: random from the operating system, or
// kept in a file the user names, and compared in constant time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace station {

// n bytes from the operating system's random source; false when it fails.
// One realisation per platform: secure_posix.cpp, secure_win32.cpp.
bool SystemRandom(std::uint8_t* out, std::size_t n);
// Creates `path` readable by its owner only and writes `text` into it;
// false when it exists already or cannot be written.
bool CreatePrivateFile(const std::string& path, const std::string& text);

// 160 random bits as 40 lowercase hex digits; empty when there is no
// random source.
std::string NewToken();

// The token in `path`; when the file does not exist, a new token written
// into it. false with `error` set when the file holds no usable token
// (16 to 256 characters of A-Z a-z 0-9 - . _ ~ on its first line).
bool TokenFromFile(const std::string& path, std::string& token, std::string& error);

// The token on the first line of a token file's text (trailing blanks and
// CR dropped); false when that line is not a usable token.
bool TokenFromText(const std::string& text, std::string& token);

// How much of a token file is read: the longest token, its line end and
// some trailing blanks.
constexpr std::size_t kMaxTokenFileRead = 1024;

// a == b, taking the same time for every `a` of a given length.
bool SameToken(const std::string& given, const std::string& token);

}  // namespace station
