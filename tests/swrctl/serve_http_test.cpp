// The HTTP side's decisions without sockets: what Respond answers to a
// request, how the connections share the slots, and the event stream's head.
#include <gtest/gtest.h>

#include "station/http/responses.h"
#include "station/http/routes.h"
#include "station/http/shares.h"

namespace swrctl {
namespace {

const char kToken[] = "0123456789abcdef0123";

using Fields = std::vector<std::pair<std::string, std::string>>;

Request Make(http::verb method, const char* target, const Fields& fields) {
  Request req{method, target, 11};
  req.set(http::field::host, "127.0.0.1:8537");
  for (const auto& f : fields) req.insert(f.first, f.second);
  req.body() = R"({"command":"select","sensor":2})";
  req.prepare_payload();
  return req;
}

TEST(Respond, ChecksAndRoutesWithoutIo) {
  LiveState live;
  AccessPolicy policy;
  policy.token = kToken;
  const std::string bearer = std::string("bearer ") + kToken;
  const struct {
    http::verb method;
    const char* target;
    Fields fields;
    bool probation;
    int status;  // 0: handed on (event stream, command)
  } cases[] = {
      {http::verb::get, "/api/v1/status", {{"Host", "evil.example"}}, false, 400},  // two Hosts
      {http::verb::get, "/api/v1/status", {}, false, 200},
      {http::verb::get, "/api/v1/history?seconds=5", {}, false, 200},
      {http::verb::get, "/api/v1/history?seconds=5&seconds=6", {}, false, 400},
      {http::verb::get, "/api/v1/history?seconds=%35", {}, false, 200},
      {http::verb::post, "/api/v1/status", {}, false, 405},
      {http::verb::post, "/api/v1/commands", {{"Authorization", bearer},
                                             {"Content-Type", "Application/JSON; charset=utf-8"}},
       false, 0},
      {http::verb::post, "/api/v1/commands", {{"Authorization", bearer},
                                             {"Content-Type", "application/jsonp"}}, false, 400},
      {http::verb::post, "/api/v1/commands", {{"Content-Type", "application/json"}}, false, 401},
      // Over the anonymous share: the token or the event stream, nothing else.
      {http::verb::get, "/api/v1/status", {}, true, 503},
      {http::verb::get, "/", {}, true, 503},
      {http::verb::get, "/api/v1/status", {{"Authorization", bearer}}, true, 200},
      {http::verb::get, "/api/v1/events", {}, true, 0},
  };
  for (const auto& c : cases) {
    const Request req = Make(c.method, c.target, c.fields);
    const Context ctx{live, policy, nullptr, 1000, 1'800'000'000'000, 48, c.probation};
    const Outcome out = Respond(req, ctx);
    const int status = out.kind == Outcome::Kind::Respond ? out.response.result_int() : 0;
    EXPECT_EQ(status, c.status) << c.target << (c.probation ? " on probation" : "") << ": "
                                << out.response.body();
  }
}

TEST(Shares, AnonymousShareThenProbationThenTheOldestOnProbationMakesRoom) {
  Shares shares(4, 2);
  auto a = shares.Enter(), b = shares.Enter(), c = shares.Enter(), d = shares.Enter();
  EXPECT_FALSE(a->OnProbation());
  EXPECT_FALSE(b->OnProbation());
  EXPECT_TRUE(c->OnProbation());
  int evicted = 0;
  c->Evictable([&] { evicted = 3; });
  d->Evictable([&] { evicted = 4; });
  auto e = shares.Enter();  // full: c, the oldest on probation, goes
  ASSERT_TRUE(e);
  EXPECT_EQ(evicted, 3);
  c.reset();
  d->Settled();  // its request is in: no longer evictable
  EXPECT_FALSE(shares.Enter());
  EXPECT_EQ(shares.Open(), 4);
  a.reset();
  EXPECT_FALSE(shares.Enter()->OnProbation());
}

TEST(Responses, TheEventStreamHeadCarriesTheCommonHeaders) {
  EXPECT_EQ(EventStreamHead(),
            "HTTP/1.1 200 OK\r\n"
            "Content-Type: text/event-stream; charset=utf-8\r\n"
            "Cache-Control: no-store\r\n"
            "X-Content-Type-Options: nosniff\r\n"
            "Connection: keep-alive\r\n"
            "\r\n"
            "retry: 1000\n\n");
}

}  // namespace
}  // namespace swrctl
