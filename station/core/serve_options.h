// What the station service is asked to do: where to listen, the token, the
// read-only switch and the MQTT side. The command line fills it in.
#pragma once

#include <array>
#include <string>

namespace station {

// The MQTT side; see station/mqtt/mqtt_options.h for its checks.
struct MqttOptions {
  std::string url;      // the broker; empty = no MQTT
  std::string caFile;   // mqtts: the CA certificates to trust
  std::string prefix = "swrpanel";
  int ratePerSecond = 4;
  bool prefixGiven = false;
  bool rateGiven = false;
};

struct ServeOptions {
  std::string listen;     // HOST:PORT; empty = the default address
  std::string tokenFile;  // empty = a new token at each start
  bool readOnly = false;
  bool http = true;       // false: --no-http, MQTT only
  MqttOptions mqtt;
  // the station log
  std::string logFile;              // empty = the default place
  bool noLog = false;               // keep no log
  double txThresholdW = 1.0;        // a transmission is above this net power
  long txHangMs = 1500;             // ... and ends below it this long
  long keepHistoryDays = 30;        // retention of the per-second history
  long keepTransmissionDays = 3650;
  // the transceiver, the SWR alarm and the antenna's health
  std::string rig;                  // rigctld's HOST[:PORT]; empty = no rig
  std::string wsjtx;                // WSJT-X's ADDR:PORT to listen on; empty = none
  std::string n1mm;                 // N1MM Logger+'s ADDR:PORT to listen on; empty = none
  int swrAlarmTenths = 0;           // the alarm's SWR limit in tenths; 0 = off
  int swrAlarmHoldMs = 1000;        // the SWR stays over the limit this long
  int swrAlarmWatts = 5;            // ... at this power or more
  bool swrAlarmHalt = false;        // ask the rig and WSJT-X to stop transmitting
  int alarmBeforeSeconds = 10;      // the readings kept of each alarm: before it
  int alarmAfterSeconds = 5;        // ... and after it
  int healthWindow = 20;            // transmissions per sensor and band
  int healthMarginTenths = 3;       // SWR above the baseline that counts as above
  std::array<std::string, 3> sensorNames;  // --sensor-name; "" unnamed
};

}  // namespace station
