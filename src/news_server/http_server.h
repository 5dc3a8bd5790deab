#pragma once

// The HTTPS side of the service: Boost.Beast's parser over Boost.Asio and
// its OpenSSL streams, event-driven (an idle connection costs no thread), a
// bounded number of routes running at once, each on a thread of its own,
// limits on what a client may send and how slowly, and one log line per
// request.
// Routes are a table, so new ones (the update channel) are one entry each.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "base/result.h"
#include "news_server/tls_identity.h"

namespace papyr::news_server {

// The query of a request, decoded, each key with all its values.
using QueryParams = std::multimap<std::string, std::string>;

struct Reply {
    int status = 200;
    std::string content_type = "application/json; charset=utf-8";
    std::string body;
    // When set, the answer is this file's bytes instead of `body`, streamed
    // from the descriptor opened when the answer starts (a file renamed over
    // meanwhile does not tear it). A file that cannot be opened answers 404.
    std::optional<std::filesystem::path> file;
    std::string cache_control = "no-store";
    // For the log line: "memory", "disk", "publisher", "demo", "channel" or
    // "-", and a note on what happened.
    std::string origin = "-";
    std::string note;
};

// What a route is given of a request.
struct RouteRequest {
    std::string path;
    QueryParams query;
    std::string host;  // the Host header as sent, "" without one
};

struct Route {
    std::string path;  // matched exactly, or as a prefix when `prefix`
    std::function<Reply(const RouteRequest&)> answer;
    bool prefix = false;
    // Answers at once from what it holds, never waiting on anything: not
    // counted among the `workers`, so it answers even while every one of
    // them waits on a publisher.
    bool quick = false;
};

struct HttpSettings {
    std::string host = "127.0.0.1";  // digits only, never looked up
    int port = 4548;
    std::size_t io_threads = 2;          // the threads that own the connections
    std::size_t workers = 64;            // routes answered at once
    std::size_t waiting_requests = 256;  // waiting for a worker; past it a 503
    std::size_t max_connections = 2048;  // past it, new ones wait in the backlog
    // A client must finish its TLS handshake and send its first request's
    // line and headers within this, however it paces its bytes; the same
    // for each later request's head once its first byte came.
    std::chrono::seconds request_read_deadline{10};
    std::chrono::seconds body_read_deadline{10};
    std::chrono::seconds write_timeout{5};       // for each write of an answer
    std::chrono::seconds keep_alive_timeout{5};  // idle between requests
    // After stop(), answers under way get this long before run() returns.
    std::chrono::seconds drain_deadline{10};
    std::size_t requests_per_connection = 1000;  // as nginx
    std::size_t max_line_bytes = 8192;           // the request line, and each header line
    std::size_t max_header_lines = 100;
    std::size_t max_head_bytes = 32768;  // all of a request's head together
    std::size_t max_body_bytes = 4096;   // the API has no request bodies
};

class HttpsServer {
  public:
    HttpsServer(HttpSettings settings, const TlsIdentity& identity, std::vector<Route> routes,
                LogFn log);
    ~HttpsServer();
    HttpsServer(const HttpsServer&) = delete;
    HttpsServer& operator=(const HttpsServer&) = delete;

    // Binds the listening socket; a failure names the address and the reason.
    [[nodiscard]] Result<void> bind();
    // The port bound (useful with port 0).
    int port() const;
    // Serves until stop(); returns once the answers under way are written,
    // or at the drain deadline.
    void run();
    // From any thread, also from a signal-waiting one, and before run():
    // stops accepting, closes idle connections, lets answers under way end.
    void stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The reply for a path no route has.
[[nodiscard]] Reply not_found_reply();

}  // namespace papyr::news_server
