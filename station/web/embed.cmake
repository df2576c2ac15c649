# cmake -DIN=index.html -DSCRIPTS="a.js|b.js|..." -DSTYLE=page.css -DOUT=file.cpp
# -P embed.cmake: the page as the array station::kIndexHtml, with the style
# and the script (its parts joined in the order given) inlined where
# index.html says @PAGE_CSS@ and @PAGE_JS@. One
# self-contained response keeps the page's Content-Security-Policy as it is
# (inline script and style only, nothing loaded from anywhere) and the page
# one request. On the way the script loses its comment lines, blank lines and
# indentation, and the style its one-line comments, so the readable sources
# cost the browser nothing. (The script keeps every comment on a line of its
# own and no string across lines, so this is safe.)
file(READ ${IN} page)
string(REPLACE "|" ";" script_files "${SCRIPTS}")
set(script "")
foreach(part IN LISTS script_files)
  file(READ ${part} text)
  string(APPEND script "${text}")
endforeach()
file(READ ${STYLE} style)
string(REGEX REPLACE "(^|\n)[ \t]*//[^\n]*" "" script "${script}")
string(REGEX REPLACE "\n[ \t]+" "\n" script "${script}")
string(REGEX REPLACE "\n\n+" "\n" script "${script}")
string(REGEX REPLACE "^\n+" "" script "${script}")
string(REGEX REPLACE "(^|\n)[ \t]*/\\*[^\n]*\\*/[ \t]*" "" style "${style}")
string(REGEX REPLACE "^\n+" "" style "${style}")
string(REPLACE "@PAGE_CSS@" "${style}" page "${page}")
string(REPLACE "@PAGE_JS@" "${script}" page "${page}")
string(HEX "${page}" hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUT}
  "// Made from ${IN}, ${STYLE} and the script's parts at build time.\n#include <cstddef>\nnamespace station {\n"
  "extern const unsigned char kIndexHtml[];\nextern const std::size_t kIndexHtmlSize;\n"
  "const unsigned char kIndexHtml[] = {${bytes}0};\n"
  "const std::size_t kIndexHtmlSize = sizeof(kIndexHtml) - 1;\n}\n")
