#pragma once

// What the HTTP layer does with a request apart from the network: split its
// target, find and call its route, shape the answer's head, write the log
// line. Plain functions without Boost, tested on their own.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/diagnostics.h"
#include "news_server/http_server.h"

namespace papyr::news_server {

// A request's line and the one header the routes read, as sent.
struct RequestHead {
    std::string method;
    std::string target;
    std::string host;  // "" without a Host header
    int version = 11;  // 10 or 11
};

// Why a request was refused before any route saw it. Each is answered, and
// the connection closed after the answer.
enum class Refusal {
    Malformed,           // 400
    RequestLineTooLong,  // 414
    HeaderLineTooLong,   // 431
    TooManyHeaderLines,  // 431
    HeadTooLarge,        // 431
    BodyTooLarge,        // 413
};

[[nodiscard]] Reply refusal_reply(Refusal refusal);

// {"success":false,"error":message}, not stored by any cache.
[[nodiscard]] Reply error_reply(int status, std::string_view message);

// The answer when `workers` routes already run.
[[nodiscard]] Reply busy_reply();

// The route for a request, or nothing (a 404, or a 405 for methods other
// than GET and HEAD).
[[nodiscard]] const Route* route_for(const std::vector<Route>& routes, const RequestHead& head);

// The reply for route_for's result. A route that throws is answered 500
// with a text of ours, and its exception's text is logged.
[[nodiscard]] Reply answer_request(const Route* route, const RequestHead& head, const LogFn& log);

// The status line and headers of an answer whose body is `body_bytes` long.
[[nodiscard]] std::string response_head(const Reply& reply, std::size_t body_bytes,
                                        const RequestHead* head, bool keep_alive);

// The target's path and query, percent-decoded ('+' a space in the query).
[[nodiscard]] RouteRequest route_request(const RequestHead& head);

// "[Server] GET /path 200 1.2 ms memory (note)"; "-" for what a refused head
// did not tell.
[[nodiscard]] std::string request_log_line(const RequestHead* head, const Reply& reply,
                                           std::optional<std::chrono::microseconds> elapsed);

}  // namespace papyr::news_server
