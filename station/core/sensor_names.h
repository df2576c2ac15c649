// The names the user gives the sensors (--sensor-name N=TEXT: "40 m
// dipole", "Beam"), shown beside the sensor's number by every front end:
// the page, the API, MQTT and Home Assistant, /metrics, CSV and ADIF. Set
// once as a command starts, before any thread that reads them; read-only
// after that.
#pragma once

#include <array>
#include <string>

namespace station {

constexpr int kSensorCount = 3;
constexpr std::size_t kMaxSensorNameChars = 32;

using SensorNames = std::array<std::string, kSensorCount>;  // [0] is sensor 1; "" unnamed

void SetSensorNames(const SensorNames& names);
// The name of sensor 1 to 3; "" when unnamed or for any other number.
const std::string& SensorName(int sensor);

// "Sensor 2" or "Sensor 2 (Beam)", for entity names.
std::string SensorTitle(int sensor);

// N=TEXT: N 1 to 3, TEXT printable UTF-8 (no control characters), 1 to 32
// characters. false with `error` one line naming what is wrong.
bool ParseSensorName(const std::string& text, int& sensor, std::string& name, std::string& error);

}  // namespace station
