// The page served at "/": web/index.html with web/page.css and the script's
// parts under web/script/ inlined, built into the executable (embed.cmake).
#pragma once

#include <cstddef>

namespace station {

extern const unsigned char kIndexHtml[];
extern const std::size_t kIndexHtmlSize;

}  // namespace station
