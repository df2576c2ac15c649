// Portable arithmetic shared by the toolkit realisations, so every platform
// sizes fonts and the status bar alike.
#pragma once

#include <cstdint>

namespace ui {

// Character height of a font of `points` at `dpi` dots per inch: the negative
// of points * dpi / 72, rounded to the nearest pixel (halves away from zero).
constexpr int FontHeight(int points, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(points) * dpi;
  const std::int64_t rounded = product >= 0 ? (product + 36) / 72 : -((-product + 36) / 72);
  return -static_cast<int>(rounded);
}

// Width of each of the status bar's two equal fields: half (rounded down) of
// the client width less the client height plus 3; the strip that is left at
// the right end holds the sizing grip.
constexpr int StatusFieldWidth(int clientWidth, int clientHeight) {
  const int available = clientWidth - (clientHeight + 3);
  return available > 0 ? available / 2 : 0;
}

}  // namespace ui
