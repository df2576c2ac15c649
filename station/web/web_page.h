// The page served at "/": web/index.html, built into the executable.
#pragma once

#include <cstddef>

namespace swrctl {

extern const unsigned char kIndexHtml[];
extern const std::size_t kIndexHtmlSize;

}  // namespace swrctl
