// Alarms as the API and swrctl log show them: JSON, CSV and lines of
// text; and an alarm's readings as JSON rows and CSV.
#pragma once

#include <string>
#include <vector>

#include "station/log/alarm_store.h"

namespace station {

// {"id":..,"unix_ms":..,"time":"2026-12-09T14:30:05Z","sensor":..,"band":..,
//  "frequency_hz":..,"swr":..,"peak_swr":..,"power":..,"limit":..,
//  "acknowledged_unix_ms":..,"acknowledged_via":..,"window_from_unix_ms":..,
//  "window_to_unix_ms":..,"readings":..,"complete":..,"halts":[...]}
std::string AlarmRecordJson(const AlarmRecord& alarm);
// {"alarms":[...],"next_cursor":"..."|null}
std::string AlarmPageJson(const AlarmPage& page);
// The alarm's object with "readings_list":[[unix_ms,sensor,power,swr],...]
// (null for a reading without a number).
std::string AlarmWithReadingsJson(const AlarmRecord& alarm, const std::vector<RingReading>& rows);

std::string AlarmsCsvHeader();
void AppendAlarmCsv(std::string& out, const AlarmRecord& alarm);
std::string AlarmText(const AlarmRecord& alarm);

// unix_ms,time,sensor,power,swr
std::string AlarmReadingsCsvHeader();
void AppendAlarmReadingCsv(std::string& out, const RingReading& reading);

}  // namespace station
