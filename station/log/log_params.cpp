// Parsing the station log's query parameters: strict, so that a typo is
// answered with an error rather than a silently different range.
#include "station/log/log_params.h"

#include <cstdio>
#include <ctime>
#include <limits>

#include "station/core/local_time.h"
#include "station/core/plain_text.h"

namespace station {
namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return std::int64_t{era} * 146097 + doe - 719468;
}

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : days[m - 1];
}

// Exactly `n` digits at text[pos]; advances pos.
bool Digits(const std::string& text, std::size_t& pos, int n, int& value) {
  if (pos + static_cast<std::size_t>(n) > text.size()) return false;
  value = 0;
  for (int i = 0; i < n; ++i) {
    const char c = text[pos++];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool Expect(const std::string& text, std::size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

std::int64_t LocalToUnix(int y, int mo, int d, int h, int mi, int s) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

}  // namespace

bool ParseLogTime(const std::string& text, std::int64_t& unixMs) {
  if (!text.empty() && text.size() <= 15 && text.find_first_not_of("0123456789") == std::string::npos) {
    unixMs = std::stoll(text);
    return true;
  }
  std::size_t pos = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (!Digits(text, pos, 4, y) || !Expect(text, pos, '-') || !Digits(text, pos, 2, mo) ||
      !Expect(text, pos, '-') || !Digits(text, pos, 2, d) || mo < 1 || mo > 12 || d < 1 ||
      d > DaysInMonth(y, mo)) {
    return false;
  }
  if (pos == text.size()) {
    unixMs = LocalToUnix(y, mo, d, 0, 0, 0) * 1000;
    return true;
  }
  if (!Expect(text, pos, 'T') || !Digits(text, pos, 2, h) || !Expect(text, pos, ':') ||
      !Digits(text, pos, 2, mi) || h > 23 || mi > 59) {
    return false;
  }
  if (pos < text.size() && text[pos] == ':') {
    if (!Digits(text, ++pos, 2, s) || s > 59) return false;
    if (pos < text.size() && text[pos] == '.') {
      int scale = 100;
      for (++pos; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        ms += (text[pos] - '0') * scale;
        scale /= 10;
      }
      if (scale == 100) return false;
    }
  }
  if (pos == text.size()) {
    unixMs = LocalToUnix(y, mo, d, h, mi, s) * 1000 + ms;
    return true;
  }
  int offsetMin = 0;
  if (text[pos] == 'Z') {
    ++pos;
  } else if (text[pos] == '+' || text[pos] == '-') {
    const int sign = text[pos++] == '-' ? -1 : 1;
    int oh, om;
    if (!Digits(text, pos, 2, oh) || !Expect(text, pos, ':') || !Digits(text, pos, 2, om) ||
        oh > 23 || om > 59) {
      return false;
    }
    offsetMin = sign * (oh * 60 + om);
  }
  if (pos != text.size()) return false;
  const std::int64_t seconds =
      DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s - std::int64_t{offsetMin} * 60;
  unixMs = seconds * 1000 + ms;
  return true;
}

bool ParseQueryString(const std::string& query, const std::vector<std::string>& allowed,
                      std::map<std::string, std::string>& out, std::string& error) {
  out.clear();
  std::size_t start = 0;
  while (start < query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string part = query.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    const std::size_t eq = part.find('=');
    std::string name, value;
    if (!PercentDecode(part.substr(0, eq), name, false) ||
        !PercentDecode(eq == std::string::npos ? "" : part.substr(eq + 1), value, false)) {
      error = "the query string has a malformed %-escape";
      return false;
    }
    bool known = false;
    for (const std::string& a : allowed) known = known || a == name;
    if (!known) {
      std::string list;
      for (const std::string& a : allowed) list += (list.empty() ? "" : ", ") + a;
      error = "unknown parameter '" + name.substr(0, 40) + "' (parameters here: " + list + ")";
      return false;
    }
    if (!out.emplace(name, value).second) {
      error = "the parameter " + name + " is given twice";
      return false;
    }
  }
  return true;
}

std::int64_t LocalMidnight(std::int64_t unixMs) {
  // The UTC date is at most a day off the local one: the latest local
  // midnight of the days around it that is not after the moment.
  const LocalTime utc = LocalTimeAt(unixMs, 0);
  std::int64_t best = std::numeric_limits<std::int64_t>::min();
  for (int delta = -1; delta <= 1; ++delta) {
    const std::int64_t midnight = LocalToUnix(utc.year, utc.month, utc.day + delta, 0, 0, 0) * 1000;
    if (midnight <= unixMs && midnight > best) best = midnight;
  }
  return best;
}

}  // namespace station
