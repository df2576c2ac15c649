// Who may use the HTTP side: the Host and Origin checks and the token rules.
#include <gtest/gtest.h>

#include <string>

#include "station/http/access.h"

namespace station {
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

}  // namespace
}  // namespace station
