// Reading ADIF's .adi form, as any logger writes it: an optional header
// (free text, fields, <EOH>), then records of fields ended by <EOR>. A
// field is <NAME:LEN> or <NAME:LEN:T> (a type indicator) followed by LEN
// bytes of data; names and <EOH>/<EOR> in any case; text between fields
// (line breaks, CRLF, comments) is ignored. Lengths count bytes: a UTF-8
// value is taken as the bytes it is, so every byte stays where it was.
// The reader keeps each field's place in the text, so a record can be
// rewritten with the rest of the file left as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace station {

struct AdifField {
  std::string_view name;   // as written
  std::string_view value;  // the LEN bytes after the tag
  std::size_t begin = 0;   // the tag's '<'
  std::size_t end = 0;     // just after the value
};

struct AdifRecord {
  int number = 0;          // 1 for the first record
  std::size_t begin = 0;   // just after the header or the record before
  std::size_t eor = 0;     // the '<' of its <EOR>
  std::size_t end = 0;     // just after its <EOR>
  std::vector<AdifField> fields;
  // The first field of that name (any case), or nullptr.
  const AdifField* Find(std::string_view name) const;
};

class AdifReader {
 public:
  explicit AdifReader(std::string_view text) : text_(text) {}
  // Reads the header, when there is one (the text does not start with '<'
  // after leading blanks... as ADIF has it: any first character but '<').
  // False with `error` for a header that never ends.
  bool ReadHeader(std::string& error);
  // Where the records start (after <EOH>, or 0 without a header).
  std::size_t headerEnd() const { return pos_; }
  // The next record: false at the end of the text, or with `error` set
  // (naming the record) for a broken field. Text after the last <EOR>
  // that holds no field is no record.
  bool Next(AdifRecord& record, std::string& error);
  // Just after the last record read: what follows is trailing text.
  std::size_t position() const { return pos_; }

 private:
  enum class Tag { Field, EndOfHeader, EndOfRecord, None, Broken };
  // Parses the tag at text_[at] == '<'.
  Tag ParseTag(std::size_t at, AdifField& field, std::string& why) const;

  std::string_view text_;
  std::size_t pos_ = 0;
  int records_ = 0;
};

// Case-insensitive equality of ASCII names.
bool AdifNameIs(std::string_view name, std::string_view want);

}  // namespace station
