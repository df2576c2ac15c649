// adif fill's core: a record's QSO, its measurement, and the record
// rewritten in place among the untouched bytes.
#include "station/log/adif_fill.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "station/log/qso_format.h"

namespace station {
namespace {

bool Digits(std::string_view s, std::size_t n) {
  if (s.size() != n) return false;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

int Number(std::string_view s) { return std::atoi(std::string(s).c_str()); }

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// YYYYMMDD as unix ms of its midnight, UTC.
bool ParseDate(std::string_view s, std::int64_t& ms) {
  if (!Digits(s, 8)) return false;
  const int y = Number(s.substr(0, 4)), m = Number(s.substr(4, 2)), d = Number(s.substr(6, 2));
  if (y < 1900 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  ms = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) * 86400000;
  return true;
}

// HHMM or HHMMSS as ms since midnight.
bool ParseTime(std::string_view s, std::int64_t& ms) {
  if (!Digits(s, 4) && !Digits(s, 6)) return false;
  const int h = Number(s.substr(0, 2)), m = Number(s.substr(2, 2));
  const int sec = s.size() == 6 ? Number(s.substr(4, 2)) : 0;
  if (h > 23 || m > 59 || sec > 59) return false;
  ms = (h * 3600 + m * 60 + sec) * 1000LL;
  return true;
}

std::string_view Value(const AdifRecord& r, std::string_view name) {
  const AdifField* f = r.Find(name);
  return f != nullptr ? f->value : std::string_view();
}

bool OurField(std::string_view name) {
  const std::string prefix = std::string("APP_") + kAdifProgramId + "_";
  return name.size() > prefix.size() && AdifNameIs(name.substr(0, prefix.size()), prefix);
}

// Writes one record with its TX_PWR (in its place when it has one) and
// our fields before its <EOR>; ours from an earlier fill go, the rest of
// the record stays as it was.
void WriteFilled(std::string_view text, const AdifRecord& r, const QsoMeasurement& m,
                 const AdifFillOptions& options, std::ostream& out, AdifFillCounts& counts) {
  const AdifField* power = r.Find("TX_PWR");
  const bool keepPower = power != nullptr && !options.replace && AdifIsNumber(power->value);
  if (keepPower) ++counts.powerKept;
  std::size_t at = r.begin;
  for (const AdifField& f : r.fields) {
    const bool ours = OurField(f.name);
    if (!ours && (&f != power || keepPower)) continue;
    out.write(text.data() + at, static_cast<std::streamsize>(f.begin - at));
    at = f.end;
    if (ours) {
      if (at < r.eor && text[at] == ' ') ++at;  // the blank we wrote after it
    } else {
      const std::string value = AdifNumber(m.peakPower, 1);
      out << '<' << f.name << ':' << value.size() << '>' << value;
    }
  }
  out.write(text.data() + at, static_cast<std::streamsize>(r.eor - at));
  std::string fields;
  AppendMeasurementAdif(fields, m, power == nullptr, " ");
  out << fields;
  out.write(text.data() + r.eor, static_cast<std::streamsize>(r.end - r.eor));
}

}  // namespace

bool AdifIsNumber(std::string_view v) {
  std::size_t i = !v.empty() && v[0] == '-' ? 1 : 0;
  bool digit = false, point = false;
  for (; i < v.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(v[i]))) digit = true;
    else if (v[i] == '.' && !point) point = true;
    else return false;
  }
  return digit;
}

bool QsoOfAdif(const AdifRecord& r, Qso& qso) {
  qso = Qso{};
  std::int64_t day = 0, on = 0;
  if (!ParseDate(Value(r, "QSO_DATE"), day) || !ParseTime(Value(r, "TIME_ON"), on)) return false;
  qso.timeOnMs = qso.timeOffMs = day + on;
  std::int64_t off = 0, dayOff = day;
  if (ParseTime(Value(r, "TIME_OFF"), off)) {
    if (!ParseDate(Value(r, "QSO_DATE_OFF"), dayOff) && off < on) dayOff = day + 86400000;
    qso.timeOffMs = std::max(dayOff + off, qso.timeOnMs);
  }
  qso.band = std::string(Value(r, "BAND"));
  const std::string_view freq = Value(r, "FREQ");
  if (AdifIsNumber(freq)) {
    qso.frequencyHz = static_cast<std::int64_t>(std::atof(std::string(freq).c_str()) * 1e6 + 0.5);
  }
  const std::string_view sub = Value(r, "SUBMODE");
  qso.mode = std::string(sub.empty() ? Value(r, "MODE") : sub);
  for (char& c : qso.mode) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  qso.call = std::string(Value(r, "CALL"));
  return !QsoBand(qso).empty();
}

bool FillAdif(std::string_view text, const QsoMeasure& measure, const AdifFillOptions& options,
              std::ostream& out, AdifFillCounts& counts, std::string& error) {
  counts = AdifFillCounts{};
  {
    AdifReader check(text);  // the whole file read once before a byte is written
    AdifRecord r;
    if (!check.ReadHeader(error)) return false;
    while (check.Next(r, error)) {
    }
    if (!error.empty()) return false;
  }
  AdifReader reader(text);
  reader.ReadHeader(error);
  out.write(text.data(), static_cast<std::streamsize>(reader.headerEnd()));
  AdifRecord r;
  while (reader.Next(r, error)) {
    ++counts.records;
    Qso qso;
    std::optional<QsoMeasurement> m;
    if (!QsoOfAdif(r, qso)) ++counts.unusable;
    else if (!(m = measure(qso))) ++counts.unmatched;
    if (!m) {
      out.write(text.data() + r.begin, static_cast<std::streamsize>(r.end - r.begin));
      continue;
    }
    ++counts.filled;
    WriteFilled(text, r, *m, options, out, counts);
  }
  out.write(text.data() + reader.position(),
            static_cast<std::streamsize>(text.size() - reader.position()));
  return static_cast<bool>(out);
}

}  // namespace station
