// The bounded XML reader; see n1mm_xml.h. One pass over the text with a
// stack of the open elements (at most kXmlMaxDepth), no recursion.
#include "station/n1mm/n1mm_xml.h"

#include <cstdint>

namespace station {
namespace {

struct Open {
  std::string_view name;
  bool hasChildren = false;
  std::string text;  // kept for the root's children only
};

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool NameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':'; }
bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// A character XML allows, as a character reference may name it.
bool XmlChar(std::uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

void AppendUtf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// "&...;" without its '&' and ';' decoded onto `out`; false for an entity
// XML does not predefine (no DOCTYPE is read, so none is declared).
bool Entity(std::string_view ref, std::string& out) {
  static const struct { const char* name; char c; } kNamed[] = {
      {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& e : kNamed) {
    if (ref == e.name) return out += e.c, true;
  }
  if (ref.size() < 2 || ref[0] != '#') return false;
  const bool hex = ref[1] == 'x';
  const std::string_view digits = ref.substr(hex ? 2 : 1);
  if (digits.empty() || digits.size() > 6) return false;
  std::uint32_t cp = 0;
  for (char c : digits) {
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) return false;
    cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
  }
  if (!XmlChar(cp)) return false;
  AppendUtf8(cp, out);
  return true;
}

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}
  std::optional<FlatXml> Document();

 private:
  bool At(std::string_view p) const { return s_.substr(i_, p.size()) == p; }
  bool SkipPast(std::string_view end) {
    const std::size_t at = s_.find(end, i_);
    if (at == std::string_view::npos) return false;
    i_ = at + end.size();
    return true;
  }
  void Blanks() {
    while (i_ < s_.size() && Blank(s_[i_])) ++i_;
  }
  bool Misc();
  bool Name(std::string_view& name);
  bool Text(std::string_view raw, std::string* out);
  bool StartTag(bool& empty);
  bool Content();
  bool Element();
  bool EndTag();

  std::string_view s_;
  std::size_t i_ = 0;
  std::vector<Open> open_;
  std::size_t elements_ = 0;
  FlatXml doc_;
};

// Blanks, comments and processing instructions (the XML declaration
// among them), as they may stand around the root.
bool Reader::Misc() {
  for (;;) {
    Blanks();
    if (At("<?")) {
      if (!SkipPast("?>")) return false;
    } else if (At("<!--")) {
      if (!SkipPast("-->")) return false;
    } else {
      return true;
    }
  }
}

bool Reader::Name(std::string_view& name) {
  const std::size_t start = i_;
  if (i_ >= s_.size() || !NameStart(s_[i_])) return false;
  while (i_ < s_.size() && NameChar(s_[i_])) ++i_;
  name = s_.substr(start, i_ - start);
  return true;
}

// Character data with its references decoded onto `out` (checked alone
// when null).
bool Reader::Text(std::string_view raw, std::string* out) {
  std::string scratch;
  std::string& to = out != nullptr ? *out : scratch;
  for (std::size_t k = 0; k < raw.size(); ++k) {
    if (raw[k] != '&') {
      if (out != nullptr) to += raw[k];
      continue;
    }
    const std::size_t semi = raw.find(';', k);
    if (semi == std::string_view::npos || semi - k > 10) return false;
    if (!Entity(raw.substr(k + 1, semi - k - 1), to)) return false;
    if (out == nullptr) scratch.clear();
    k = semi;
  }
  return true;
}

// From '<' to '>' or "/>": the name pushed (within the bounds), the
// attributes checked and passed over.
bool Reader::StartTag(bool& empty) {
  ++i_;
  std::string_view name;
  if (!Name(name) || ++elements_ > kXmlMaxElements || open_.size() >= kXmlMaxDepth) return false;
  for (;;) {
    const std::size_t before = i_;
    Blanks();
    if (At("/>") || At(">")) {
      empty = At("/>");
      i_ += empty ? 2 : 1;
      break;
    }
    std::string_view attribute;
    if (i_ == before || !Name(attribute)) return false;
    Blanks();
    if (!At("=")) return false;
    ++i_;
    Blanks();
    if (i_ >= s_.size() || (s_[i_] != '"' && s_[i_] != '\'')) return false;
    const std::size_t close = s_.find(s_[i_], i_ + 1);
    if (close == std::string_view::npos) return false;
    const std::string_view value = s_.substr(i_ + 1, close - i_ - 1);
    if (value.find('<') != std::string_view::npos || !Text(value, nullptr)) return false;
    i_ = close + 1;
  }
  if (!open_.empty()) open_.back().hasChildren = true;
  open_.push_back(Open{name, false, {}});
  return true;
}

// From "</" to '>': it must close the innermost element. A child of the
// root that held text alone becomes a field.
bool Reader::EndTag() {
  i_ += 2;
  std::string_view name;
  if (!Name(name) || name != open_.back().name) return false;
  Blanks();
  if (!At(">")) return false;
  ++i_;
  Open done = std::move(open_.back());
  open_.pop_back();
  if (open_.size() == 1 && !done.hasChildren) {
    doc_.fields.push_back(XmlField{std::string(done.name), std::move(done.text)});
  }
  return true;
}

bool Reader::Content() {
  if (At("<!--")) return SkipPast("-->");
  if (At("<?")) return SkipPast("?>");
  if (At("<![CDATA[")) {
    const std::size_t start = i_ + 9;
    if (!SkipPast("]]>")) return false;
    if (open_.size() == 2) open_.back().text.append(s_.substr(start, i_ - 3 - start));
    return true;
  }
  if (At("<!")) return false;  // a DOCTYPE: no entities are declared here
  if (At("</")) return EndTag();
  if (At("<")) {
    bool empty = false;
    if (!StartTag(empty)) return false;
    if (empty) {
      Open done = std::move(open_.back());
      open_.pop_back();
      if (open_.size() == 1) doc_.fields.push_back(XmlField{std::string(done.name), {}});
    }
    return true;
  }
  const std::size_t end = std::min(s_.find('<', i_), s_.size());
  const std::string_view raw = s_.substr(i_, end - i_);
  i_ = end;
  return Text(raw, open_.size() == 2 ? &open_.back().text : nullptr);
}

bool Reader::Element() {
  bool empty = false;
  if (!At("<") || !StartTag(empty)) return false;
  doc_.root = std::string(open_.back().name);
  if (empty) open_.pop_back();
  while (!open_.empty()) {
    if (i_ >= s_.size() || !Content()) return false;
  }
  return true;
}

std::optional<FlatXml> Reader::Document() {
  if (At("\xEF\xBB\xBF")) i_ = 3;  // a UTF-8 byte order mark
  if (!Misc() || !Element() || !Misc() || i_ != s_.size()) return std::nullopt;
  return std::move(doc_);
}

}  // namespace

const XmlField* FlatXml::Find(std::string_view name) const {
  for (const XmlField& f : fields) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

std::optional<FlatXml> ParseFlatXml(std::string_view text) {
  if (text.size() > kXmlMaxBytes) return std::nullopt;
  return Reader(text).Document();
}

}  // namespace station
