// For the tests that make a file of an older schema out of a new one: the
// SQL that takes the alarms' tables away again.
#pragma once

#include <string>

namespace swrctl {

inline const std::string kDropAlarmTables =
    "DROP TABLE alarms; DROP TABLE alarm_halts; DROP TABLE alarm_readings;";

}  // namespace swrctl
