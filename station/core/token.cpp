// The access token: made from the system's random bytes, or read from the
// first line of a token file (and written there when the file is new), and
// compared in constant time.
#include "station/core/token.h"

#include <fstream>

namespace station {
namespace {

constexpr std::size_t kTokenBytes = 20;

bool TokenCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string NewToken() {
  std::uint8_t bytes[kTokenBytes];
  if (!SystemRandom(bytes, sizeof bytes)) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string token;
  for (std::uint8_t b : bytes) {
    token += kHex[b >> 4];
    token += kHex[b & 15];
  }
  return token;
}

bool TokenFromFile(const std::string& path, std::string& token, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    token = NewToken();
    if (token.empty()) {
      error = "no random source for the token";
      return false;
    }
    if (!CreatePrivateFile(path, token + "\n")) {
      error = "cannot read or create the token file '" + path + "'";
      return false;
    }
    return true;
  }
  // The first line is all that counts; reading no more than a token's
  // length keeps a wrong path (a device, a huge file) from being read whole.
  std::string head(kMaxTokenFileRead, '\0');
  in.read(&head[0], static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (!TokenFromText(head, token)) {
    error = "the token file '" + path +
            "' must hold 16 to 256 characters of A-Z a-z 0-9 - . _ ~ on its first line";
    return false;
  }
  return true;
}

bool TokenFromText(const std::string& text, std::string& token) {
  std::string line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.pop_back();
  }
  bool valid = line.size() >= 16 && line.size() <= 256;
  for (char c : line) valid = valid && TokenCharacter(c);
  if (valid) token = line;
  return valid;
}

bool SameToken(const std::string& given, const std::string& token) {
  // Every byte of `given` is looked at whatever the others are; only the
  // length of `given` (chosen by the caller) shows in the time taken.
  unsigned diff = given.size() == token.size() ? 0u : 1u;
  for (std::size_t i = 0; i < given.size(); ++i) {
    const unsigned char t = token.empty() ? 0 : static_cast<unsigned char>(token[i % token.size()]);
    diff |= static_cast<unsigned char>(given[i]) ^ t;
  }
  return diff == 0 && !token.empty();
}

}  // namespace station
