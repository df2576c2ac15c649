// The token's platform parts on Windows: random bytes from BCrypt, and a
// file created readable by its owner only.
#include <windows.h>
// bcrypt.h needs the types of windows.h first.
#include <bcrypt.h>

#include "station/core/token.h"

namespace station {

bool SystemRandom(std::uint8_t* out, std::size_t n) {
  return BCryptGenRandom(nullptr, out, static_cast<ULONG>(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG) ==
         0;
}

bool CreatePrivateFile(const std::string& path, const std::string& text) {
  // The new file takes the permissions its directory hands down; in the
  // user's own profile those keep other users out.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                            nullptr) && written == text.size();
  return CloseHandle(file) && ok;
}

}  // namespace station
