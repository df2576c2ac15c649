// The FLTK toolkit's fonts: the Windows faces mapped to installed stand-ins,
// point sizes scaled to the desktop's resolution; see ui_fltk_fonts.h.
#include "ui/fltk/ui_fltk_fonts.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <deque>
#include <map>
#include <string>
#include <strings.h>
#include <vector>

#include "ui/layout_metrics.h"

namespace ui_fltk {

namespace {

struct FontRec {
  Fl_Font face;
  int size;
  bool live;
};

// Faces a Windows program asks for, each with fonts of the same metrics that
// Linux desktops carry.
struct StandIn {
  const char* face;
  const char* families;
};
constexpr StandIn kStandIns[] = {
    {"Times New Roman", "Liberation Serif,Tinos,Times,serif"},
    {"Arial", "Liberation Sans,Arimo,Helvetica,sans-serif"},
    {"Courier New", "Liberation Mono,Cousine,Courier,monospace"},
};
constexpr const char* kDefaultFamilies = "Liberation Sans,Arimo,DejaVu Sans,sans-serif";

int screenDpi = 96;
std::vector<FontRec> fonts;  // a font is its index + 1
std::map<std::string, Fl_Font> faceSlots;
std::deque<std::string> faceNames;  // FLTK keeps pointers to these
int nextSlot = FL_FREE_FONT;
Fl_Font defaultFace = FL_HELVETICA;

Fl_Font Slot(const std::string& key, const std::string& families) {
  auto it = faceSlots.find(key);
  if (it != faceSlots.end()) return it->second;
  // A leading blank asks for the regular style (FLTK reads a leading B, I or
  // P as bold or italic); the rest is a fontconfig family list, first match
  // wins.
  faceNames.push_back(" " + families);
  const Fl_Font slot = static_cast<Fl_Font>(nextSlot++);
  Fl::set_font(slot, faceNames.back().c_str());
  faceSlots[key] = slot;
  return slot;
}

Fl_Font FaceSlot(const char* face) {
  std::string families = face;
  for (const StandIn& s : kStandIns) {
    if (strcasecmp(face, s.face) == 0) {
      families += ",";
      families += s.families;
      break;
    }
  }
  return Slot(face, families);
}

}  // namespace

void InitFonts(int dpi) {
  screenDpi = dpi;
  defaultFace = Slot("", kDefaultFamilies);
}

Fl_Font DefaultFace() { return defaultFace; }

int DefaultSize() { return -ui::FontHeight(8, screenDpi); }

ui::Font MakeFont(const char* face, int points) {
  const Fl_Font slot = face && *face ? FaceSlot(face) : defaultFace;
  int size = -ui::FontHeight(points, screenDpi);
  if (size <= 0) size = DefaultSize();
  fonts.push_back(FontRec{slot, size, true});
  return static_cast<ui::Font>(fonts.size());
}

void ReleaseFont(ui::Font font) {
  if (font >= 1 && static_cast<size_t>(font) <= fonts.size()) fonts[static_cast<size_t>(font) - 1].live = false;
}

void ResolveFont(ui::Font font, Fl_Font& face, int& size) {
  if (font >= 1 && static_cast<size_t>(font) <= fonts.size() && fonts[static_cast<size_t>(font) - 1].live) {
    face = fonts[static_cast<size_t>(font) - 1].face;
    size = fonts[static_cast<size_t>(font) - 1].size;
    return;
  }
  face = FL_HELVETICA_BOLD;
  size = -ui::FontHeight(10, screenDpi);
}

int LineHeight(Fl_Font face, int size) {
  fl_font(face, size);
  return fl_height();
}

}  // namespace ui_fltk
