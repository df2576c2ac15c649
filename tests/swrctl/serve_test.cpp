// serve's command line: the listen address, the options that belong to
// serve only and those of MQTT together, and a bad address or a taken port.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "station/core/exit_status.h"
#include "station/http/http_server.h"
#include "station/mqtt/mqtt_client.h"
#include "station/mqtt/mqtt_options.h"
#include "tools/swrctl/options.h"
#include "tools/swrctl/serve.h"
#include "tools/swrctl/swrctl.h"

namespace swrctl {
using namespace ::station;
namespace {

TEST(Listen, HostAndPort) {
  std::string host;
  unsigned short port = 0;
  EXPECT_TRUE(ParseListen("127.0.0.1:8537", host, port));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 8537);
  EXPECT_TRUE(ParseListen("localhost:0", host, port));
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_TRUE(ParseListen("[::1]:80", host, port));
  EXPECT_EQ(host, "::1");
  EXPECT_TRUE(ParseListen("0.0.0.0:8537", host, port));
  for (const char* bad : {"", "8537", ":8537", "127.0.0.1", "127.0.0.1:", "127.0.0.1:65536",
                          "127.0.0.1:-1", "shack-pc:8537", "::1:8537", "[::1]", "1.2.3:80",
                          "0x7f.0.0.1:80", "127.0.0.01:80"}) {
    EXPECT_FALSE(ParseListen(bad, host, port)) << bad;
  }
}

TEST(ServeCommandLine, OptionsBelongToServeOnly) {
  ParseResult r = ParseArgs({"serve", "--listen", "[::1]:9000", "--read-only", "--token-file=t"});
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.options.action, Action::Serve);
  EXPECT_EQ(r.options.serve.listen, "[::1]:9000");
  EXPECT_EQ(r.options.serve.tokenFile, "t");
  EXPECT_TRUE(r.options.serve.readOnly);
  const struct {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"select", "1", "--read-only"}, "--read-only applies to serve only"},
      {{"watch", "--listen", "127.0.0.1:1"}, "--listen applies to serve only"},
      {{"serve", "--count", "3"}, "--count applies to watch only"},
      {{"serve", "now"}, "usage: swrctl serve"},
      {{"serve", "--listen"}, "option --listen needs a value"},
      {{"serve", "--token-file="}, "option --token-file needs a value"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseArgs(c.args).error, c.error) << c.args[0];
}

struct ServeRun {
  int status;
  std::string out, err;
};

ServeRun RunServe(const std::vector<std::string>& args) {
  Env env;
  StopSignal stop;
  env.watch.stop = &stop;
  env.watch.wait = [&stop](long ms) { return stop.WaitFor(ms); };
  std::ostringstream out, err;
  const int status = Main(args, env, out, err);
  return {status, out.str(), err.str()};
}

TEST(ServeCommandLine, ABadAddressOrATakenPortEndsAtOnce) {
  ServeRun r = RunServe({"serve", "--listen", "shack-pc:8537"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_EQ(r.err.rfind("swrctl: --listen must be HOST:PORT", 0), 0u) << r.err;
  EXPECT_EQ(r.out, "");

  LiveState live;
  HttpServer taken(live, AccessPolicy{});
  std::string error;
  ASSERT_TRUE(taken.Listen("127.0.0.1", 0, error)) << error;
  r = RunServe({"serve", "--listen", "127.0.0.1:" + std::to_string(taken.Port())});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("cannot listen on 127.0.0.1:"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  r = RunServe({"serve", "--token-file", ::testing::TempDir() + "no/such/dir/token"});
  EXPECT_EQ(r.status, kExitFailure);
  EXPECT_NE(r.err.find("cannot read or create the token file"), std::string::npos) << r.err;
}

TEST(MqttOptions, ServeOptionsTogether) {
  struct Case {
    std::vector<std::string> args;
    const char* error;  // "" = valid
    // Whether the line names an mqtts:// broker and passes the single
    // options' checks: a build without TLS refuses it as a whole then.
    bool tls;
  } cases[] = {
      {{"serve", "--mqtt", "mqtt://h", "--no-http"}, "", false},
      {{"serve", "--mqtt=mqtts://h", "--mqtt-ca", "ca.pem", "--mqtt-prefix", "shack/swr-1",
        "--mqtt-rate", "25"}, "", true},
      {{"serve", "--no-http"}, "--no-http needs --mqtt (otherwise there is nothing to serve)", false},
      {{"serve", "--mqtt-rate", "2"}, "--mqtt-rate needs --mqtt", false},
      {{"serve", "--mqtt-ca", "ca.pem"}, "--mqtt-ca needs --mqtt", false},
      {{"serve", "--mqtt", "mqtt://h", "--mqtt-ca", "ca.pem"},
       "--mqtt-ca applies to an mqtts:// broker only", false},
      {{"serve", "--mqtt", "mqtt://h", "--no-http", "--listen", "127.0.0.1:80"},
       "--no-http and --listen contradict each other", false},
      {{"serve", "--mqtt", "mqtt://h", "--no-http", "--token-file", "t"},
       "--no-http and --token-file contradict each other", false},
      {{"serve", "--mqtt", "mqtt://h", "--mqtt-rate", "0"},
       "--mqtt-rate must be readings per second from 1 to 25, not '0'", false},
      {{"serve", "--mqtt", "mqtt://h", "--mqtt-rate", "26"},
       "--mqtt-rate must be readings per second from 1 to 25, not '26'", false},
      {{"watch", "--mqtt", "mqtt://h"}, "--mqtt applies to serve only", false},
      {{"serve", "--mqtt"}, "option --mqtt needs a value", false},
  };
  for (const Case& c : cases) {
    const ParseResult parsed = ParseArgs(c.args);
    const std::string expected =
        c.tls && !MqttTlsBuilt() ? std::string(kNoTlsMessage) : std::string(c.error);
    EXPECT_EQ(parsed.error, expected) << c.args[1];
  }
  for (const char* prefix : {"", "a/", "/a", "a//b", "a/#", "a/+/b", "a b", "ä"}) {
    const ParseResult parsed = ParseArgs({"serve", "--mqtt", "mqtt://h", "--mqtt-prefix", prefix});
    EXPECT_NE(parsed.error.find("--mqtt-prefix must be"), std::string::npos) << prefix;
  }
  const ParseResult defaults = ParseArgs({"serve"});
  EXPECT_EQ(defaults.options.serve.mqtt.prefix, "swrpanel");
  EXPECT_EQ(defaults.options.serve.mqtt.ratePerSecond, 4);
  EXPECT_TRUE(defaults.options.serve.http);
}

// What --swr-alarm-halt needs: the alarm, a source that keys the
// transmitter, and the right to send it anything.
TEST(SwrAlarmOptions, HaltNeedsTheAlarmASourceAndNoReadOnly) {
  const struct {
    int limitTenths;
    const char* rig;
    const char* wsjtx;
    bool readOnly;
    const char* error;
  } cases[] = {
      {20, "localhost", "", false, ""},
      {20, "", "127.0.0.1:2237", false, ""},
      {20, "localhost", "127.0.0.1:2237", false, ""},
      {20, "localhost", "", true,
       "--swr-alarm-halt asks the transmitter to stop; --read-only refuses that"},
      {0, "localhost", "", false, "--swr-alarm-halt needs --swr-alarm LIMIT"},
      {20, "", "", false,
       "--swr-alarm-halt needs --rig or --wsjtx: nothing else here keys the transmitter"},
  };
  for (const auto& c : cases) {
    ServeOptions o;
    o.swrAlarmHalt = true;
    o.swrAlarmTenths = c.limitTenths;
    o.rig = c.rig;
    o.wsjtx = c.wsjtx;
    o.readOnly = c.readOnly;
    EXPECT_EQ(CheckServeOptions(o), c.error) << c.rig << " " << c.wsjtx;
  }
}

}  // namespace
}  // namespace swrctl
