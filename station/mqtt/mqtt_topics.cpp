// The MQTT topics and payloads; see mqtt_topics.h.
#include "station/mqtt/mqtt_topics.h"

#include <nlohmann/json.hpp>

#include "device/commands.h"
#include "station/core/command_request.h"
#include "station/core/sensor_names.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

json Availability(const MqttTopics& t, bool needLink, bool needLive) {
  json list = json::array();
  list.push_back({{"topic", t.availability}, {"payload_available", "online"},
                  {"payload_not_available", "offline"}});
  if (needLink) {
    list.push_back({{"topic", t.link}, {"payload_available", "connected"},
                    {"payload_not_available", "disconnected"}});
  }
  if (needLive) {
    list.push_back({{"topic", t.live}, {"payload_available", "true"},
                    {"payload_not_available", "false"}});
  }
  return list;
}

struct Entity {
  const char* component;
  std::string object;
  json config;
};

}  // namespace

MqttTopics::MqttTopics(const std::string& p)
    : prefix(p),
      availability(p + "/availability"),
      link(p + "/link"),
      live(p + "/live"),
      reading(p + "/reading"),
      command(p + "/command"),
      set(p + "/set"),
      state(p + "/state"),
      result(p + "/result"),
      transmission(p + "/transmission"),
      qso(p + "/qso"),
      rig(p + "/rig"),
      alarm(p + "/alarm"),
      alarmState(p + "/alarm/state"),
      alarmAck(p + "/alarm/ack"),
      bands(p + "/bands"),
      node(p) {
  for (char& c : node) {
    if (c == '/') c = '_';
  }
}

namespace {

// The last QSO's measured power and highest SWR, from PREFIX/qso; none
// until its transmissions are in the log.
void AddQsoEntities(const MqttTopics& t, std::vector<Entity>& entities) {
  auto last = [&](const char* object, const char* name, const char* field, json extra) {
    json c = {{"name", name},
              {"state_topic", t.qso},
              {"value_template", std::string("{{ value_json.") + field + " }}"},
              {"json_attributes_topic", t.qso},
              {"availability", Availability(t, false, false)}};
    c.update(extra);
    entities.push_back({"sensor", object, c});
  };
  last("last_qso_power", "Last QSO peak power", "peak_power",
       {{"unit_of_measurement", "W"}, {"device_class", "power"}, {"suggested_display_precision", 1}});
  last("last_qso_swr", "Last QSO highest SWR", "max_swr", {{"suggested_display_precision", 2}});
}

// The sensors: the live reading's (unavailable unless live), the last
// transmission's and QSO's, and the controller's connection.
std::vector<Entity> SensorEntities(const MqttTopics& t) {
  // Readings count only while they are live: connected, and fresh.
  const json readingAvailable = Availability(t, true, true);
  std::vector<Entity> entities;
  auto sensor = [&](const char* object, const char* name, const char* field, json extra) {
    json c = {{"name", name},
              {"state_topic", t.reading},
              {"value_template", std::string("{{ value_json.") + field + " }}"},
              {"availability", readingAvailable},
              {"availability_mode", "all"}};
    c.update(extra);
    entities.push_back({"sensor", object, c});
  };
  sensor("power", "Power", "power_value",
         {{"unit_of_measurement", "W"}, {"device_class", "power"}, {"state_class", "measurement"},
          {"suggested_display_precision", 1}});
  sensor("swr", "SWR", "swr_value",
         {{"state_class", "measurement"}, {"suggested_display_precision", 1}});
  sensor("forward", "Forward", "forward", {{"state_class", "measurement"}});
  sensor("reflected", "Reflected", "reflected", {{"state_class", "measurement"}});
  sensor("active_sensor", "Active sensor", "sensor", json::object());
  // The last transmission's figures, from the station log's detector.
  auto last = [&](const char* object, const char* name, const char* value, json extra) {
    json c = {{"name", name},
              {"state_topic", t.transmission},
              {"value_template", std::string("{{ ") + value + " }}"},
              {"availability", Availability(t, false, false)}};
    c.update(extra);
    entities.push_back({"sensor", object, c});
  };
  last("last_peak_power", "Last transmission peak power", "value_json.peak_power",
       {{"unit_of_measurement", "W"}, {"device_class", "power"}});
  last("last_max_swr", "Last transmission highest SWR", "value_json.max_swr", json::object());
  last("last_duration", "Last transmission duration", "(value_json.duration_ms / 1000) | round(1)",
       {{"unit_of_measurement", "s"}, {"device_class", "duration"}});
  AddQsoEntities(t, entities);
  entities.push_back({"binary_sensor", "controller",
                      {{"name", "Controller"},
                       {"state_topic", t.link},
                       {"payload_on", "connected"},
                       {"payload_off", "disconnected"},
                       {"device_class", "connectivity"},
                       {"availability", Availability(t, false, false)}}});
  entities.push_back({"binary_sensor", "swr_alarm",
                      {{"name", "SWR alarm"},
                       {"state_topic", t.alarmState},
                       {"payload_on", "ON"},
                       {"payload_off", "OFF"},
                       {"device_class", "problem"},
                       {"json_attributes_topic", t.alarm},
                       {"availability", Availability(t, false, false)}}});
  return entities;
}

// The controls: the controller never reports its settings, so each
// control shows the value last written through here.
std::vector<Entity> ControlEntities(const MqttTopics& t) {
  std::vector<Entity> entities;
  const json controlAvailable = Availability(t, true, false);
  auto control = [&](const char* component, const std::string& object, json c) {
    c["availability"] = controlAvailable;
    c["availability_mode"] = "all";
    entities.push_back({component, object, c});
  };
  control("select", "select_sensor",
          {{"name", "Active sensor"},
           {"command_topic", t.set + "/sensor"},
           {"state_topic", t.reading},
           {"value_template", "{{ value_json.sensor }}"},
           {"options", {"1", "2", "3"}}});
  json watts = json::array();
  for (const swr::PowerRange& range : swr::kPowerRanges) watts.push_back(std::to_string(range.watts));
  for (int n = 1; n <= 3; ++n) {
    const std::string s = std::to_string(n);
    control("select", "power_range_" + s,
            {{"name", SensorTitle(n) + " power range"},
             {"command_topic", t.set + "/power/" + s},
             {"state_topic", t.state + "/power/" + s},
             {"options", watts},
             {"entity_category", "config"}});
    control("number", "swr_limit_" + s,
            {{"name", SensorTitle(n) + " SWR limit"},
             {"command_topic", t.set + "/swr/" + s},
             {"state_topic", t.state + "/swr/" + s},
             {"min", 1.0},
             {"max", 4.0},
             {"step", 0.1},
             {"mode", "box"},
             {"entity_category", "config"}});
  }
  control("switch", "blocking",
          {{"name", "Blocking"},
           {"command_topic", t.set + "/blocking"},
           {"state_topic", t.state + "/blocking"},
           {"payload_on", "ON"},
           {"payload_off", "OFF"}});
  // Lowers the SWR alarm; nothing reaches the controller, so it is there
  // with the controller away too.
  control("button", "alarm_ack",
          {{"name", "Acknowledge SWR alarm"}, {"command_topic", t.alarmAck}, {"payload_press", "ACK"}});
  entities.back().config["availability"] = Availability(t, false, false);
  return entities;
}

}  // namespace

std::vector<MqttMessage> DiscoveryMessages(const MqttTopics& t, bool controls,
                                           const std::string& version) {
  const json device = {{"identifiers", json::array({t.node})},
                       {"name", "SWR meter"},
                       {"model", "USB SWR and power meter controller"},
                       {"sw_version", version}};
  std::vector<MqttMessage> messages;
  auto add = [&](const Entity& e, bool present) {
    json c = e.config;
    c["unique_id"] = t.node + "_" + e.object;
    c["device"] = device;
    messages.push_back({std::string("homeassistant/") + e.component + "/" + t.node + "/" +
                            e.object + "/config",
                        present ? c.dump() : std::string(), true});
  };
  for (const Entity& e : SensorEntities(t)) add(e, true);
  for (const Entity& e : ControlEntities(t)) add(e, controls);
  return messages;
}

namespace {

// PREFIX/set/power/N or PREFIX/set/swr/N: sensor N, 1..3.
bool PerSensorTopic(const std::string& rest) {
  return (rest.compare(0, 6, "power/") == 0 || rest.compare(0, 4, "swr/") == 0) &&
         rest.size() == rest.find('/') + 2 && rest.back() >= '1' && rest.back() <= '3';
}

// The command of PREFIX/set/`rest`: the payload is the one operand the
// topic does not name, read as the JSON command's field of that name.
CommandRequest SetTopicCommand(const std::string& rest, const std::string& payload) {
  CommandRequest request;
  if (rest == "blocking") {
    if (payload != "ON" && payload != "OFF") {
      request.error = "blocking must be ON or OFF, not '" + payload + "'";
      return request;
    }
    return CommandFromOperands(CommandKind::Blocking, {{payload == "ON" ? 1 : 0, payload}});
  }
  if (rest != "sensor" && !PerSensorTopic(rest)) {
    request.error = "no such command topic";
    return request;
  }
  // Numbers as JSON numbers; anything else as a string, so that the checks
  // of the command name it as given.
  nlohmann::json value = nlohmann::json::parse(payload, nullptr, false);
  if (value.is_discarded() || !value.is_primitive()) value = payload;
  const char* field = rest == "sensor" ? "sensor" : rest[0] == 'p' ? "watts" : "limit";
  Operand operand;
  if (!OperandFromJson(field, value, payload, operand, request.error)) return request;
  if (rest == "sensor") return CommandFromOperands(CommandKind::Select, {operand});
  const Operand sensor{rest.back() - '0', rest.substr(rest.size() - 1)};
  return CommandFromOperands(rest[0] == 'p' ? CommandKind::Power : CommandKind::Swr,
                             {sensor, operand});
}

}  // namespace

CommandRequest ParseMqttCommand(const MqttTopics& t, const std::string& topic,
                                const std::string& payload) {
  if (payload.size() > kMaxCommandPayload) {
    CommandRequest request;
    request.error = "the payload is longer than " + std::to_string(kMaxCommandPayload) + " bytes";
    return request;
  }
  if (topic == t.command) return ParseCommandRequest(payload);
  const bool set = topic.compare(0, t.set.size() + 1, t.set + "/") == 0;
  return SetTopicCommand(set ? topic.substr(t.set.size() + 1) : std::string(), payload);
}

MqttMessage StateAfter(const MqttTopics& t, const Command& c) {
  const std::string state = t.state + "/";
  const std::string sensor = std::to_string(c.sensor);
  switch (c.kind) {
    case CommandKind::Power:
      return {state + "power/" + sensor, std::to_string(c.watts), false};
    case CommandKind::Swr:
      return {state + "swr/" + sensor,
              std::to_string(c.swrTenths / 10) + "." + std::to_string(c.swrTenths % 10), false};
    case CommandKind::Blocking:
      return {state + "blocking", c.on ? "ON" : "OFF", false};
    case CommandKind::Select:
      break;
  }
  return {state + "sensor", sensor, false};
}

std::string Printable(const std::string& text, std::size_t max) {
  std::string out;
  for (char c : text) {
    if (out.size() >= max) {
      out += "...";
      break;
    }
    out += (c >= 0x20 && c < 0x7f) ? c : '?';
  }
  return out;
}

}  // namespace station
