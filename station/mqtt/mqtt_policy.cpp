// The MQTT bridge's policy: reconnecting with backoff, publishing the state
// on change at the rate, and answering commands. See mqtt_policy.h.
#include "station/mqtt/mqtt_policy.h"

#include <algorithm>
#include <utility>

#include "station/core/api_json.h"

namespace station {
namespace {

constexpr long kFirstRetryMs = 1000;
constexpr long kMaxRetryMs = 5000;

}  // namespace

std::string MqttReconnect::Lost(std::int64_t nowMs, const std::string& why) {
  std::string line;
  if (connected_) {
    line = "lost the broker (" + Printable(why, 160) + "); reconnecting";
  } else if (!reported_) {
    line = Printable(why, 160) + "; retrying";
  }
  connected_ = false;
  reported_ = true;
  waiting_ = true;
  at_ = nowMs + delayMs_;
  delayMs_ = std::min(delayMs_ * 2, kMaxRetryMs);
  return line;
}

void MqttReconnect::Connected() {
  connected_ = true;
  reported_ = false;
  waiting_ = false;
  delayMs_ = kFirstRetryMs;
}

bool MqttReconnect::Due(std::int64_t nowMs) {
  if (connected_ || !waiting_ || nowMs < at_) return false;
  waiting_ = false;
  return true;
}

int MqttReconnect::WaitMs(std::int64_t nowMs, std::int64_t maxMs) const {
  if (connected_ || !waiting_) return static_cast<int>(maxMs);
  return static_cast<int>(std::max<std::int64_t>(0, std::min(maxMs, at_ - nowMs)));
}

MqttStatePublisher::MqttStatePublisher(const MqttTopics& topics, int ratePerSecond,
                                       bool controls, std::string version)
    : topics_(topics),
      periodMs_(1000 / std::max(ratePerSecond, 1)),
      controls_(controls),
      version_(std::move(version)) {}

std::vector<MqttMessage> MqttStatePublisher::All(const Snapshot& s, std::int64_t nowMs) {
  std::vector<MqttMessage> out = DiscoveryMessages(topics_, controls_, version_);
  out.push_back({topics_.availability, "online", true});
  lastLink_.clear();
  lastLive_.clear();
  lastSequence_ = 0;
  State(s, nowMs, true, out);
  return out;
}

std::vector<MqttMessage> MqttStatePublisher::Changed(const Snapshot& s, std::int64_t nowMs) {
  std::vector<MqttMessage> out;
  State(s, nowMs, false, out);
  return out;
}

void MqttStatePublisher::State(const Snapshot& s, std::int64_t nowMs, bool now,
                               std::vector<MqttMessage>& out) {
  const std::string link = s.link.connected ? "connected" : "disconnected";
  if (link != lastLink_) out.push_back({topics_.link, lastLink_ = link, true});
  const bool fresh = s.link.connected && s.reading.sequence != 0 &&
                     nowMs - s.reading.steadyMs <= LiveState::kStaleMs;
  // The reading before the live flag, so that a subscriber never sees
  // "true" beside an old reading.
  if (s.link.connected && s.reading.sequence != 0 && s.reading.sequence != lastSequence_ &&
      (now || nowMs - lastReadingMs_ >= periodMs_)) {
    out.push_back({topics_.reading, ReadingJson(s.reading), true, 0});
    lastSequence_ = s.reading.sequence;
    lastReadingMs_ = nowMs;
  }
  const std::string live = fresh && lastSequence_ != 0 ? "true" : "false";
  if (live != lastLive_) out.push_back({topics_.live, lastLive_ = live, true});
  dueMs_ = 0;
  if (s.link.connected && s.reading.sequence != 0 && s.reading.sequence != lastSequence_) {
    dueMs_ = lastReadingMs_ + periodMs_;
  }
  if (live == "true") {
    const std::int64_t stale = s.reading.steadyMs + LiveState::kStaleMs + 1;
    dueMs_ = dueMs_ != 0 ? std::min(dueMs_, stale) : stale;
  }
}

namespace {

MqttAnswer Refused(const MqttTopics& topics, const std::string& topic, const std::string& error,
                   const char* code) {
  return {{{topics.result, ErrorJson(code, error), false}},
          Printable(topic) + ": " + Printable(error, 160) + "; nothing sent"};
}

}  // namespace

MqttAnswer AnswerCommand(const MqttTopics& topics, const MqttIncoming& in, const MqttSend& send) {
  // What clears a retained message on the topic; never a command.
  if (in.payload.empty()) return {};
  // Carried out again at every reconnect otherwise.
  if (in.retained) {
    return Refused(topics, in.topic,
                   "a retained command is never carried out (publish it unretained)",
                   "bad_request");
  }
  const CommandRequest request = ParseMqttCommand(topics, in.topic, in.payload);
  if (!request.ok()) {
    return Refused(topics, in.topic, request.error, OutcomeOf(CommandOutcome::BadRequest).code);
  }
  const CommandOutcome outcome = send(request.command);
  if (outcome != CommandOutcome::Sent) {
    return Refused(topics, in.topic, OutcomeOf(outcome).message, OutcomeOf(outcome).code);
  }
  return {{StateAfter(topics, request.command),
           {topics.result, SentJson(CommandName(request.command.kind), ReportFor(request.command)),
            false}},
          ""};
}

std::vector<std::string> MqttSubscriptions(const MqttTopics& topics, bool readOnly) {
  // Read-only: only Home Assistant's restarts, no commands, no acknowledging.
  std::vector<std::string> names = {kHomeAssistantStatus};
  if (!readOnly) {
    names.push_back(topics.command);
    names.push_back(topics.set + "/#");
    names.push_back(topics.alarmAck);
  }
  return names;
}

}  // namespace station
