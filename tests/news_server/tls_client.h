#pragma once

// What the HTTP server tests use: the service on a loopback port in a
// thread of the test, and real TLS clients that send exactly the bytes a
// test gives, as a hostile client would.

#include <openssl/ssl.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "news_server/http_server.h"
#include "support/temp.h"

namespace papyr::news_server::test_http {

// A connected TCP socket to 127.0.0.1:port, -1 on failure.
int connect_to(int port);

class TlsClient {
  public:
    explicit TlsClient(int port);  // connects and makes the handshake
    ~TlsClient();
    TlsClient(const TlsClient&) = delete;
    TlsClient& operator=(const TlsClient&) = delete;

    bool ready() const { return ssl_ != nullptr; }
    bool send(std::string_view bytes);
    // What arrives until the service ends the connection, `answers` whole
    // answers came (0: any number) or `limit` passes; `closed` tells whether
    // the service ended it.
    std::string read(std::chrono::seconds limit, std::size_t answers = 0, bool* closed = nullptr);
    std::string read_until_closed(std::chrono::seconds limit, bool* closed = nullptr) {
        return read(limit, 0, closed);
    }
    std::string read_answers(std::size_t count, std::chrono::seconds limit) {
        return read(limit, count);
    }

  private:
    int sock_ = -1;
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
};

struct Answer {
    int status = 0;
    std::string head;  // status line and headers
    std::string body;
};

// The answers in a stream of bytes, in order; a last one cut short is not
// counted. HEAD answers have no body: `head_requests` says which they are.
std::vector<Answer> split_answers(std::string_view stream, std::vector<bool> head_requests = {});

// The server of a test, running until the object goes.
class RunningServer {
  public:
    RunningServer(HttpSettings settings, std::vector<Route> routes);
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    int port() const { return server_.port(); }
    void stop() { server_.stop(); }
    // Waits for run() to return; false if it did not within `limit`.
    bool wait_until_ended(std::chrono::seconds limit);
    std::vector<std::string> log_lines();

  private:
    papyr::test::TempDir dir_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    HttpsServer server_;
    std::thread thread_;
    bool ended_ = false;
    std::mutex ended_mutex_;
    std::condition_variable ended_changed_;
};

// Settings with short deadlines for tests, on a free port.
HttpSettings test_settings();

Route text_route(std::string path, std::string body, bool quick = false);

}  // namespace papyr::news_server::test_http
