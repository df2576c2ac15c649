// Who may use swrctl serve: Host and Origin checks, the token rules, the
// token itself, and the listen address.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "station/core/exit_status.h"
#include "tools/swrctl/options.h"
#include "station/http/access.h"
#include "station/http/http_server.h"
#include "tools/swrctl/serve.h"
#include "station/core/token.h"
#include "tools/swrctl/swrctl.h"

namespace swrctl {
namespace {

TEST(Access, HostMustNameThisServer) {
  AccessPolicy loopback;
  AccessPolicy wide;
  wide.loopbackOnly = false;
  wide.hostName = "shack-pc";
  const struct {
    const char* host;
    bool onLoopback, beyond;
  } cases[] = {
      {"127.0.0.1:8537", true, true},
      {"LOCALHOST:8537", true, true},
      {"localhost", true, true},
      {"127.0.0.2:1", true, true},
      {"[::1]:8537", true, true},
      {"192.168.1.20:8537", false, true},
      {"[fe80::1]:8537", false, true},
      {"shack-pc:8537", false, true},
      {"evil.example:8537", false, false},   // a rebound name
      {"localhost.evil.example", false, false},
      {"127.0.0.1.evil.example", false, false},
      {"", false, false},
      {"127.0.0.1:abc", false, false},
      {"[::1", false, false},
      {"user@127.0.0.1", false, false},
      {"256.1.1.1", false, false},
      {"0177.0.0.1", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HostAllowed(c.host, loopback), c.onLoopback) << c.host;
    EXPECT_EQ(HostAllowed(c.host, wide), c.beyond) << c.host;
  }
}

TEST(Access, OriginMustBeOurOwnPageOrNone) {
  EXPECT_TRUE(OriginAllowed("", "127.0.0.1:8537"));
  EXPECT_TRUE(OriginAllowed("http://127.0.0.1:8537", "127.0.0.1:8537"));
  EXPECT_TRUE(OriginAllowed("http://LocalHost:8537", "localhost:8537"));
  EXPECT_FALSE(OriginAllowed("http://evil.example", "127.0.0.1:8537"));
  EXPECT_FALSE(OriginAllowed("http://127.0.0.1:9999", "127.0.0.1:8537"));
  EXPECT_FALSE(OriginAllowed("https://127.0.0.1:8537", "127.0.0.1:8537"));
  EXPECT_FALSE(OriginAllowed("null", "127.0.0.1:8537"));
}

TEST(Access, TokenForCommandsAlwaysAndForEverythingBeyondLoopback) {
  AccessPolicy policy;
  policy.token = "0123456789abcdef0123";
  for (const char* path : {"/api/v1/status", "/api/v1/events", "/api/v1/history", "/metrics"}) {
    EXPECT_FALSE(TokenRequired(path, policy)) << path;
  }
  EXPECT_TRUE(TokenRequired("/api/v1/commands", policy));
  policy.loopbackOnly = false;
  for (const char* path :
       {"/api/v1/status", "/api/v1/events", "/api/v1/x", "/api/v1/commands", "/metrics"}) {
    EXPECT_TRUE(TokenRequired(path, policy)) << path;
  }
  EXPECT_FALSE(TokenRequired("/", policy));

  // The scheme is case-insensitive in HTTP.
  for (const char* header : {"Bearer 0123456789abcdef0123", "bearer 0123456789abcdef0123",
                             "BEARER  0123456789abcdef0123"}) {
    EXPECT_TRUE(Authorized(header, policy)) << header;
  }
  for (const char* header : {"", "Bearer", "Bearer ", "Bearer0123456789abcdef0123",
                             "Bearer 0123456789abcdef012", "Bearer 0123456789abcdef01234",
                             "Basic 0123456789abcdef0123", "Bearer 0123456789abcdef0124"}) {
    EXPECT_FALSE(Authorized(header, policy)) << header;
  }
  policy.token.clear();  // no token: nobody is let in
  EXPECT_FALSE(Authorized("Bearer ", policy));
}

TEST(Token, NewTokensAreLongAndDifferent) {
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    const std::string token = NewToken();
    ASSERT_EQ(token.size(), 40u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    seen.insert(token);
  }
  EXPECT_EQ(seen.size(), 50u);
}

TEST(Token, FromAFileThatIsMadeWhenMissing) {
  const std::string path = ::testing::TempDir() + "swrctl_token_test.txt";
  std::remove(path.c_str());
  std::string first, again, error;
  ASSERT_TRUE(TokenFromFile(path, first, error)) << error;
  EXPECT_EQ(first.size(), 40u);
  ASSERT_TRUE(TokenFromFile(path, again, error)) << error;
  EXPECT_EQ(again, first);

  const struct {
    const char* content;
    bool ok;
  } cases[] = {{"my-station-token-42\r\n", true}, {"short\n", false},
               {"has blanks inside it!\n", false}, {"\n", false}};
  for (const auto& c : cases) {
    std::ofstream(path, std::ios::binary) << c.content;
    std::string token;
    EXPECT_EQ(TokenFromFile(path, token, error), c.ok) << c.content;
    if (c.ok) {
      EXPECT_EQ(token, "my-station-token-42");
    }
  }
  // A token file named by mistake as a device or a huge file is not read
  // whole: a first line of a megabyte is refused after the first KiB.
  std::ofstream(path, std::ios::binary) << std::string(1 << 20, 'a');
  std::string token;
  EXPECT_FALSE(TokenFromFile(path, token, error));
#ifndef _WIN32
  EXPECT_FALSE(TokenFromFile("/dev/zero", token, error));
#endif
  std::remove(path.c_str());
}

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

}  // namespace
}  // namespace swrctl
