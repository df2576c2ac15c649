# cmake -DIN=file -DOUT=file.cpp -P embed.cmake: the file's bytes as the
# array swrctl::kIndexHtml.
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUT}
  "// Made from ${IN} at build time.\n#include <cstddef>\nnamespace swrctl {\n"
  "extern const unsigned char kIndexHtml[];\nextern const std::size_t kIndexHtmlSize;\n"
  "const unsigned char kIndexHtml[] = {${bytes}0};\n"
  "const std::size_t kIndexHtmlSize = sizeof(kIndexHtml) - 1;\n}\n")
