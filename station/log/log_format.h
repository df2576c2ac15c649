// The station log's records as the API and swrctl log show them: JSON
// objects, CSV (RFC 4180, a header row) and lines of text.
#pragma once

#include <string>
#include <vector>

#include "station/log/detector.h"
#include "station/log/log_queries.h"

namespace station {

// {"id":..,"start_unix_ms":..,"end_unix_ms":..,"start":"..","end":"..",
//  "duration_ms":..,"sensor":..,"peak_power":..,"average_power":..,
//  "max_swr":..,"swr_at_peak":..,"forward_at_peak":..,"reflected_at_peak":..,
//  "readings":..,"cut_short":..,"frequency_hz":..,"band":..,"mode":..}
std::string TransmissionJson(const Transmission& t);

// {"transmissions":[...],"next_cursor":"..."|null}
std::string TransmissionPageJson(const TransmissionPage& page);

// The header row and one row per transmission, CRLF after each.
std::string TransmissionsCsv(const std::vector<Transmission>& list);
// The same a row at a time, for a CSV written as the rows are read.
std::string TransmissionsCsvHeader();
void AppendTransmissionCsv(std::string& out, const Transmission& t);

// One line for people: start, duration, sensor, peak/average power, SWR.
std::string TransmissionText(const Transmission& t);

// The cursor of a page and back: "START_ID".
std::string CursorText(const std::pair<std::int64_t, std::int64_t>& after);
bool ParseCursor(const std::string& text, std::pair<std::int64_t, std::int64_t>& after);

}  // namespace station
