// Fuzz target: bytes on a connection to the server, through the same parser
// limits as a session and the request-to-response function. Commands are
// not carried out (their jobs are not run); everything else is answered.
#include <boost/beast/core/flat_buffer.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

#include "station/core/live_state.h"
#include "station/http/routes.h"

namespace http = boost::beast::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static station::LiveState live;
  // On loopback, and beyond it (every request then needs the token).
  static const station::AccessPolicy policies[2] = {
      {"0123456789abcdef0123", true, false, "shack-pc"},
      {"0123456789abcdef0123", false, false, "shack-pc"}};
  http::request_parser<http::string_body> parser;
  parser.header_limit(8 * 1024);
  parser.body_limit(4 * 1024);
  parser.eager(true);
  boost::beast::error_code ec;
  parser.put(boost::asio::buffer(data, size), ec);
  if (ec || !parser.is_done()) return 0;
  const station::Request req = parser.release();
  // The input's length picks the policy and whether every event stream is
  // open, so the fuzzer reaches every combination.
  const station::Context ctx{live, policies[size % 3 == 0], nullptr, 1000, 1000, 48, size % 2 == 1};
  station::Respond(req, ctx);
  return 0;
}
