// The small XML reader for N1MM Logger+'s datagrams: one root element whose
// children are plain text fields (<RadioInfo><Freq>352211</Freq>...). It
// reads well-formed XML of any shape within its bounds, and keeps only the
// root's name and its children that hold text alone; anything it cannot
// read whole (broken, a DOCTYPE, an unknown entity, over a bound) is none.
// Pure.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace station {

// Bounds: N1MM's datagrams are 1 to 3 KB; a field-by-field contact is the
// largest, with some 60 elements.
constexpr std::size_t kXmlMaxBytes = 16384;
constexpr std::size_t kXmlMaxDepth = 8;
constexpr std::size_t kXmlMaxElements = 256;

struct XmlField {
  std::string name;
  std::string text;  // entities decoded; blanks kept as they are
};

struct FlatXml {
  std::string root;
  std::vector<XmlField> fields;  // the root's text-only children, in order

  // The first field of `name` (case-sensitive, as XML is); null for none.
  const XmlField* Find(std::string_view name) const;
};

std::optional<FlatXml> ParseFlatXml(std::string_view text);

}  // namespace station
