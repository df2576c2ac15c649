// The alarm's and the health's option values: decimal text only, ranges checked.
#include "station/health/health_options.h"

namespace station {
namespace {

bool Digits(const std::string& text) {
  if (text.empty() || text.size() > 6) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool Whole(const std::string& text, int min, int max, int& value) {
  if (!Digits(text) || (text.size() > 1 && text[0] == '0')) return false;
  const int parsed = std::stoi(text);
  if (parsed < min || parsed > max) return false;
  value = parsed;
  return true;
}

std::string Quote(const std::string& text) {
  return "'" + (text.size() > 40 ? text.substr(0, 40) + "..." : text) + "'";
}

}  // namespace

bool ParseTenths(const std::string& text, int minTenths, int maxTenths, int& tenths) {
  const std::size_t dot = text.find('.');
  const std::string whole = text.substr(0, dot);
  int value = 0;
  if (!Whole(whole, 0, 99999, value)) return false;
  value *= 10;
  if (dot != std::string::npos) {
    const std::string decimal = text.substr(dot + 1);
    if (decimal.size() != 1 || !Digits(decimal)) return false;
    value += decimal[0] - '0';
  }
  if (value < minTenths || value > maxTenths) return false;
  tenths = value;
  return true;
}

bool ParseSwrAlarmLimit(const std::string& text, int& tenths, std::string& error) {
  if (ParseTenths(text, 10, 40, tenths)) return true;
  error = "--swr-alarm must be an SWR of 1.0 to 4.0 in steps of 0.1, not " + Quote(text);
  return false;
}

bool ParseSwrAlarmHold(const std::string& text, int& milliseconds, std::string& error) {
  int tenths = 0;
  if (ParseTenths(text, 1, 100, tenths)) {
    milliseconds = tenths * 100;
    return true;
  }
  error = "--swr-alarm-hold must be 0.1 to 10.0 seconds in steps of 0.1, not " + Quote(text);
  return false;
}

bool ParseSwrAlarmPower(const std::string& text, double& watts, std::string& error) {
  int value = 0;
  if (Whole(text, 1, 2000, value)) {
    watts = value;
    return true;
  }
  error = "--swr-alarm-power must be 1 to 2000 watts, not " + Quote(text);
  return false;
}

bool ParseAlarmWindow(const std::string& text, int& beforeSeconds, int& afterSeconds,
                      std::string& error) {
  const std::size_t comma = text.find(',');
  int before = 0, after = 0;
  if (comma != std::string::npos && Whole(text.substr(0, comma), 1, 60, before) &&
      Whole(text.substr(comma + 1), 1, 60, after)) {
    beforeSeconds = before;
    afterSeconds = after;
    return true;
  }
  error = "--alarm-window must be BEFORE,AFTER in whole seconds, each 1 to 60 (such as 10,5),"
          " not " + Quote(text);
  return false;
}

bool ParseHealthWindow(const std::string& text, int& transmissions, std::string& error) {
  if (Whole(text, 3, 1000, transmissions)) return true;
  error = "--health-window must be 3 to 1000 transmissions, not " + Quote(text);
  return false;
}

bool ParseHealthMargin(const std::string& text, double& swr, std::string& error) {
  int tenths = 0;
  if (ParseTenths(text, 1, 30, tenths)) {
    swr = tenths / 10.0;
    return true;
  }
  error = "--health-margin must be an SWR of 0.1 to 3.0 in steps of 0.1, not " + Quote(text);
  return false;
}

}  // namespace station
