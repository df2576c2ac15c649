// serve's options of the SWR alarm and the antenna health, parsed as pure
// functions. Each returns false with `error` set to one line (no newline,
// no "swrctl: ") naming the option and what it takes.
//
//   --swr-alarm LIMIT          1.0 to 4.0 in steps of 0.1; off when not given
//   --swr-alarm-hold SECONDS   0.1 to 10.0 (default 1.0): how long the SWR must stay over
//   --swr-alarm-power WATTS    1 to 2000 (default 5): the least power that counts
//   --alarm-window B,A         readings B seconds before each alarm and A after,
//                              each 1 to 60 (default 10,5)
//   --health-window N          3 to 1000 transmissions (default 20)
//   --health-margin SWR        0.1 to 3.0 in steps of 0.1 (default 0.3)
#pragma once

#include <string>

namespace station {

bool ParseSwrAlarmLimit(const std::string& text, int& tenths, std::string& error);
bool ParseSwrAlarmHold(const std::string& text, int& milliseconds, std::string& error);
bool ParseSwrAlarmPower(const std::string& text, double& watts, std::string& error);
bool ParseAlarmWindow(const std::string& text, int& beforeSeconds, int& afterSeconds,
                      std::string& error);
bool ParseHealthWindow(const std::string& text, int& transmissions, std::string& error);
bool ParseHealthMargin(const std::string& text, double& swr, std::string& error);

// "N" or "N.D" (one decimal) as tenths, within [minTenths, maxTenths].
bool ParseTenths(const std::string& text, int minTenths, int maxTenths, int& tenths);

}  // namespace station
