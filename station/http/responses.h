// Every response of the HTTP front end is made here, so that each one,
// the event stream's head included, carries the same headers: the
// content type, no caching, no sniffing.
#pragma once

#include <boost/beast/http.hpp>
#include <string>

namespace station {

namespace http = boost::beast::http;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

extern const char kJsonType[];  // application/json; charset=utf-8

// A complete response with a body of the given type.
Response Reply(http::status status, const std::string& contentType, std::string body,
               unsigned version);

// {"error":code,"message":message} with the given status.
Response Error(http::status status, const std::string& code, const std::string& message,
               unsigned version = 11);

// 503 too_many_clients: no slot for the connection, or for another stream.
Response TooManyClients(unsigned version = 11);

// 405 naming the one method the resource takes.
Response MethodNotAllowed(const std::string& allow, unsigned version);

// The page, with the headers that keep it from being framed or loaded
// with anything from elsewhere.
Response PageResponse(std::string html, unsigned version);

// The head of GET /api/v1/events and the stream's first line, as bytes:
// the common headers, no length (the stream runs until one side closes).
std::string EventStreamHead();

}  // namespace station
