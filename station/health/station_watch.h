// What the service keeps about the transceiver and the antenna beside the
// live readings: the rig's snapshot, the antenna's health per sensor and
// band, and the latching SWR alarm with its recorder. Made once by serve, fed by the log
// feed's thread, read by the HTTP handlers and the MQTT bridge.
#pragma once

#include <iosfwd>

#include "station/health/alarm_recorder.h"
#include "station/health/antenna_health.h"
#include "station/health/swr_alarm.h"
#include "station/rig/rig_state.h"

namespace station {

struct StationWatch {
  StationWatch(HealthSettings healthSettings, AlarmSettings alarmSettings, AlarmWindow window,
               std::ostream& err)
      : health(healthSettings), alarm(alarmSettings), recorder(alarm, window, err) {}

  bool rigGiven = false;  // --rig, or the demo's transceiver: the rig's state is worth showing
  RigStateBox rig;
  AntennaHealth health;
  SwrAlarm alarm;
  AlarmRecorder recorder;  // the alarm's record and the readings around it
};

}  // namespace station
