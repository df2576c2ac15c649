// The HTTP side's decisions without sockets: what Respond answers to a
// request, how the connections share the slots, and the event stream's head.
#include <gtest/gtest.h>

#include "station/http/responses.h"
#include "station/http/routes.h"
#include "station/http/shares.h"

namespace station {
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
    bool streamsFull;
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
      // Every stream the server keeps is open: no other one, all the rest.
      {http::verb::get, "/api/v1/status", {}, true, 200},
      {http::verb::get, "/", {}, true, 200},
      {http::verb::get, "/api/v1/events", {{"Authorization", bearer}}, true, 503},
      {http::verb::get, "/api/v1/events", {}, false, 0},
  };
  for (const auto& c : cases) {
    const Request req = Make(c.method, c.target, c.fields);
    const Context ctx{live, policy, nullptr, 1000, 1'800'000'000'000, 48, c.streamsFull};
    const Outcome out = Respond(req, ctx);
    const int status = out.kind == Outcome::Kind::Respond ? out.response.result_int() : 0;
    EXPECT_EQ(status, c.status) << c.target << (c.streamsFull ? " with every stream open" : "") << ": "
                                << out.response.body();
  }
}

TEST(Shares, TheLongestWaitingMakesRoomStreamsNeverAndHaveTheirCap) {
  Shares shares(4, 2);
  auto a = shares.Enter(), b = shares.Enter(), c = shares.Enter(), d = shares.Enter();
  std::vector<char> evicted;
  const std::pair<Shares::Slot*, char> slots[] = {{a.get(), 'a'}, {b.get(), 'b'},
                                                  {c.get(), 'c'}, {d.get(), 'd'}};
  for (const auto& [slot, name] : slots) {
    slot->Waiting([&evicted, name = name] { evicted.push_back(name); });
  }
  a->Stream();
  b->Settled();                                         // its request is in
  c->Waiting([&] { evicted.push_back('C'); });          // kept alive: waits anew
  auto e = shares.Enter();                              // full: d waited longest
  ASSERT_TRUE(e);
  EXPECT_EQ(evicted, std::vector<char>({'d'}));
  d.reset();
  auto f = shares.Enter();                              // full again: c
  EXPECT_EQ(evicted, std::vector<char>({'d', 'C'}));
  c.reset();
  EXPECT_FALSE(shares.StreamsFull());
  e->Stream();
  EXPECT_TRUE(shares.StreamsFull());
  EXPECT_FALSE(shares.Enter());                         // streams and a request: none waits
  EXPECT_EQ(shares.Open(), 4);
  a.reset();
  EXPECT_FALSE(shares.StreamsFull());
  EXPECT_TRUE(shares.Enter());
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
}  // namespace station
