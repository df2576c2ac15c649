// swrctl serve on MQTT: publishes the live state to a broker from a
// thread of its own and takes commands from it. Never holds up the device
// loop or the HTTP side: it takes the newest reading when it is ready for
// one, and reconnects by itself when the broker goes away.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "station/core/serve_options.h"
#include "station/core/live_state.h"

namespace station {

class StationLog;
struct StationWatch;

class MqttBridge {
 public:
  // password: used when the URL names a user without one (may be empty).
  MqttBridge(LiveState& live, const MqttOptions& options, bool readOnly,
             const std::string& password, std::ostream& err);
  ~MqttBridge();  // stops
  MqttBridge(const MqttBridge&) = delete;
  MqttBridge& operator=(const MqttBridge&) = delete;

  // The station log whose finished transmissions go to PREFIX/transmission
  // (null: none). Before Start.
  void SetLog(const StationLog* log);
  // The rig, the SWR alarm and the antenna's health for PREFIX/rig,
  // PREFIX/alarm, PREFIX/alarm/state and PREFIX/bands, and whom
  // PREFIX/alarm/ack acknowledges (null: none). Before Start.
  void SetWatch(StationWatch* watch);

  // Starts connecting in the background; false with `error` set when the
  // client cannot be set up at all (a broker away is no error).
  bool Start(std::string& error);
  // Says offline, disconnects and ends the thread; bounded in time.
  void Stop();

  // The broker as shown to the user: the password is never in it.
  std::string Shown() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace station
