// The MQTT bridge's policy without a broker: when it tries again, what it
// publishes when, and how a command is answered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/mqtt/mqtt_policy.h"

namespace station {
namespace {

TEST(MqttReconnect, BacksOffOneTwoFourThenEveryFiveSeconds) {
  MqttReconnect r;
  EXPECT_TRUE(r.Due(0));  // the first attempt at once
  EXPECT_FALSE(r.Due(0));
  EXPECT_EQ(r.Lost(0, "refused"), "refused; retrying");
  std::int64_t now = 0;
  for (long delay : {1000, 2000, 4000, 5000, 5000}) {
    EXPECT_FALSE(r.Due(now + delay - 1)) << delay;
    EXPECT_TRUE(r.Due(now + delay)) << delay;
    now += delay;
    EXPECT_EQ(r.Lost(now, "refused"), "") << "one line per run of failures";
  }
  r.Connected();
  EXPECT_FALSE(r.Due(now + 60000));
  EXPECT_EQ(r.Lost(now, "gone"), "lost the broker (gone); reconnecting");
  EXPECT_TRUE(r.Due(now + 1000)) << "the backoff starts afresh";
}

Snapshot Connected(std::uint64_t sequence, std::int64_t steadyMs) {
  Snapshot s;
  s.link.connected = true;
  s.reading.sequence = sequence;
  s.reading.steadyMs = steadyMs;
  return s;
}

std::vector<std::string> Topics(const std::vector<MqttMessage>& messages) {
  std::vector<std::string> topics;
  for (const MqttMessage& m : messages) topics.push_back(m.topic + " " + m.payload.substr(0, 1));
  return topics;
}

TEST(MqttStatePublisher, EverythingOnConnectThenChangesAtTheRate) {
  const MqttTopics topics("p");
  MqttStatePublisher publisher(topics, 4, true, "1");
  const std::vector<MqttMessage> all = publisher.All(Connected(1, 0), 0);
  ASSERT_EQ(all.size(), 21u + 4u);
  using V = std::vector<std::string>;
  EXPECT_EQ(Topics({all.end() - 4, all.end()}),
            (V{"p/availability o", "p/link c", "p/reading {", "p/live t"}));
  EXPECT_EQ(all[all.size() - 2].qos, 0) << "readings at QoS 0";
  EXPECT_TRUE(publisher.Changed(Connected(1, 0), 100).empty());
  EXPECT_TRUE(publisher.Changed(Connected(2, 100), 200).empty()) << "before the period";
  EXPECT_EQ(Topics(publisher.Changed(Connected(3, 240), 250)), (V{"p/reading {"}));
  EXPECT_EQ(Topics(publisher.Changed(Connected(3, 240), 1300)), (V{"p/live f"})) << "stale";
  EXPECT_EQ(Topics(publisher.Changed(Snapshot{}, 1400)), (V{"p/link d"}));
}

TEST(MqttCommands, AnsweredAndSentOnlyWhenValid) {
  const MqttTopics topics("p");
  struct Case {
    MqttIncoming in;
    CommandOutcome result;
    int sends;
    std::vector<std::string> published;  // topic and first character
    bool logged;
  } cases[] = {
      {{"p/set/blocking", "ON", false}, CommandOutcome::Sent, 1,
       {"p/state/blocking O", "p/result {"}, false},
      {{"p/set/blocking", "ON", true}, CommandOutcome::Sent, 0, {"p/result {"}, true},
      {{"p/set/blocking", "", true}, CommandOutcome::Sent, 0, {}, false},
      {{"p/set/blocking", "on", false}, CommandOutcome::Sent, 0, {"p/result {"}, true},
      {{"p/set/sensor", "2", false}, CommandOutcome::NotConnected, 1, {"p/result {"}, true},
  };
  for (const Case& c : cases) {
    int sends = 0;
    const MqttAnswer answer = AnswerCommand(topics, c.in, [&](const Command&) {
      ++sends;
      return c.result;
    });
    EXPECT_EQ(sends, c.sends) << c.in.topic << " " << c.in.payload;
    EXPECT_EQ(Topics(answer.publish), c.published) << c.in.topic << " " << c.in.payload;
    EXPECT_EQ(!answer.log.empty(), c.logged) << c.in.topic << " " << c.in.payload;
  }
}

}  // namespace
}  // namespace station
