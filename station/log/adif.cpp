// The ADIF reader: tags parsed with bounded lengths, every field's place
// kept.
#include "station/log/adif.h"

#include <cctype>

namespace station {
namespace {

// More digits than any real length; keeps the number within size_t.
constexpr std::size_t kMaxLengthDigits = 9;

bool NameChar(char c) {
  return c > ' ' && c != ':' && c != '<' && c != '>' && c != ',' && c != '{' && c != '}';
}

std::string Shown(std::string_view name) {
  std::string s(name.substr(0, 40));
  return s.empty() ? "(no name)" : s;
}

}  // namespace

bool AdifNameIs(std::string_view name, std::string_view want) {
  if (name.size() != want.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) !=
        std::toupper(static_cast<unsigned char>(want[i]))) {
      return false;
    }
  }
  return true;
}

const AdifField* AdifRecord::Find(std::string_view name) const {
  for (const AdifField& f : fields) {
    if (AdifNameIs(f.name, name)) return &f;
  }
  return nullptr;
}

AdifReader::Tag AdifReader::ParseTag(std::size_t at, AdifField& field, std::string& why) const {
  std::size_t i = at + 1;
  while (i < text_.size() && NameChar(text_[i])) ++i;
  const std::string_view name = text_.substr(at + 1, i - at - 1);
  if (i >= text_.size()) {
    why = "a tag <" + Shown(name) + " is not closed before the end of the file";
    return Tag::Broken;
  }
  if (text_[i] == '>') {
    if (AdifNameIs(name, "EOH")) return Tag::EndOfHeader;
    if (AdifNameIs(name, "EOR")) return Tag::EndOfRecord;
    why = "the field <" + Shown(name) + "> has no length";
    return name.empty() ? Tag::None : Tag::Broken;
  }
  if (text_[i] != ':' || name.empty()) return Tag::None;
  std::size_t digits = ++i;
  while (i < text_.size() && std::isdigit(static_cast<unsigned char>(text_[i]))) ++i;
  if (i == digits || i - digits > kMaxLengthDigits) {
    why = "the field " + Shown(name) + " has no valid length";
    return Tag::Broken;
  }
  const std::size_t length = std::stoul(std::string(text_.substr(digits, i - digits)));
  if (i < text_.size() && text_[i] == ':') {  // a type indicator
    ++i;
    while (i < text_.size() && std::isalpha(static_cast<unsigned char>(text_[i]))) ++i;
  }
  if (i >= text_.size() || text_[i] != '>') {
    why = "the tag of the field " + Shown(name) + " is not closed by '>'";
    return Tag::Broken;
  }
  ++i;
  if (length > text_.size() - i) {
    why = "the field " + Shown(name) + "'s length " + std::to_string(length) +
          " runs past the end of the file";
    return Tag::Broken;
  }
  field.name = name;
  field.value = text_.substr(i, length);
  field.begin = at;
  field.end = i + length;
  return Tag::Field;
}

bool AdifReader::ReadHeader(std::string& error) {
  pos_ = 0;
  if (text_.empty() || text_[0] == '<') return true;
  // Header text may hold a stray '<': only <EOH> and well-formed fields
  // count there, everything else is text.
  for (std::size_t at = text_.find('<'); at != std::string_view::npos;
       at = text_.find('<', at + 1)) {
    AdifField field;
    std::string why;
    const Tag tag = ParseTag(at, field, why);
    if (tag == Tag::EndOfHeader) {
      pos_ = text_.find('>', at) + 1;
      return true;
    }
    if (tag == Tag::Field) at = field.end - 1;
  }
  error = "the header (text before the first record) has no <EOH>";
  return false;
}

bool AdifReader::Next(AdifRecord& record, std::string& error) {
  record = AdifRecord{};
  record.number = records_ + 1;
  record.begin = pos_;
  const auto fail = [&](const std::string& why) {
    error = "record " + std::to_string(record.number) + " (at byte " +
            std::to_string(record.begin) + "): " + why;
    return false;
  };
  for (std::size_t at = text_.find('<', pos_); at != std::string_view::npos;
       at = text_.find('<', at)) {
    AdifField field;
    std::string why;
    switch (ParseTag(at, field, why)) {
      case Tag::Field:
        record.fields.push_back(field);
        at = field.end;
        break;
      case Tag::EndOfRecord:
        record.eor = at;
        record.end = pos_ = text_.find('>', at) + 1;
        ++records_;
        return true;
      case Tag::EndOfHeader:
        return fail("an <EOH> among the records");
      case Tag::None:
        ++at;  // a '<' in text between fields
        break;
      case Tag::Broken:
        return fail(why);
    }
  }
  if (!record.fields.empty()) return fail("the file ends before the record's <EOR>");
  return false;
}

}  // namespace station
