#include "tls_client.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "news_server/tls_identity.h"

namespace papyr::news_server::test_http {
namespace {

using Clock = std::chrono::steady_clock;

// A client writing to a connection the service closed gets EPIPE, not a
// signal that would end the test program (the service ignores SIGPIPE too).
const bool kNoSigpipe = [] {
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}();

TlsIdentity identity_in(const papyr::test::TempDir& dir) {
    auto made = ensure_certificate(dir / "tls", {"127.0.0.1"});
    EXPECT_TRUE(made) << made.error();
    return made ? *made : TlsIdentity{};
}

}  // namespace

int connect_to(int port) {
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (sock < 0 ||
        ::connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        if (sock >= 0)
            ::close(sock);
        return -1;
    }
    return sock;
}

TlsClient::TlsClient(int port) : sock_(connect_to(port)) {
    // Reads wake every 100 ms, so that the time limits of the reads hold.
    const timeval tick{0, 100000};
    ::setsockopt(sock_, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
    context_ = SSL_CTX_new(TLS_client_method());
    SSL* ssl = sock_ >= 0 && context_ != nullptr ? SSL_new(context_) : nullptr;
    if (ssl == nullptr)
        return;
    SSL_set_fd(ssl, sock_);
    const auto give_up = Clock::now() + std::chrono::seconds(10);
    int result = 0;
    while ((result = SSL_connect(ssl)) != 1 && Clock::now() < give_up &&
           SSL_get_error(ssl, result) == SSL_ERROR_WANT_READ) {
    }
    if (result == 1)
        ssl_ = ssl;
    else
        SSL_free(ssl);
}

TlsClient::~TlsClient() {
    if (ssl_ != nullptr)
        SSL_free(ssl_);
    if (context_ != nullptr)
        SSL_CTX_free(context_);
    if (sock_ >= 0)
        ::close(sock_);
}

bool TlsClient::send(std::string_view bytes) {
    return ssl_ != nullptr && SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) ==
                                  static_cast<int>(bytes.size());
}

std::string TlsClient::read(std::chrono::seconds limit, std::size_t answers, bool* closed) {
    std::string got;
    const auto give_up = Clock::now() + limit;
    bool ended = false;
    while (ssl_ != nullptr && !ended && Clock::now() < give_up &&
           (answers == 0 || split_answers(got).size() < answers)) {
        char buffer[16384];
        const int n = SSL_read(ssl_, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, static_cast<std::size_t>(n));
        else
            ended = SSL_get_error(ssl_, n) != SSL_ERROR_WANT_READ;
    }
    if (closed != nullptr)
        *closed = ended;
    return got;
}

std::vector<Answer> split_answers(std::string_view stream, std::vector<bool> head_requests) {
    std::vector<Answer> answers;
    while (!stream.empty()) {
        const std::size_t end = stream.find("\r\n\r\n");
        if (end == std::string_view::npos || !stream.starts_with("HTTP/1.1 "))
            break;
        Answer answer;
        answer.head = std::string(stream.substr(0, end + 2));
        answer.status = std::stoi(answer.head.substr(9, 3));
        const std::size_t length_at = answer.head.find("Content-Length: ");
        std::size_t length =
            length_at == std::string::npos ? 0 : std::stoul(answer.head.substr(length_at + 16));
        if (answers.size() < head_requests.size() && head_requests[answers.size()])
            length = 0;
        if (stream.size() < end + 4 + length)
            break;
        answer.body = std::string(stream.substr(end + 4, length));
        stream.remove_prefix(end + 4 + length);
        answers.push_back(std::move(answer));
    }
    return answers;
}

RunningServer::RunningServer(HttpSettings settings, std::vector<Route> routes)
    : server_(std::move(settings), identity_in(dir_), std::move(routes),
              [this](std::string_view line) {
                  const std::lock_guard lock(mutex_);
                  lines_.emplace_back(line);
              }) {
    const auto bound = server_.bind();
    EXPECT_TRUE(bound) << bound.error();
    thread_ = std::thread([this] {
        server_.run();
        const std::lock_guard lock(ended_mutex_);
        ended_ = true;
        ended_changed_.notify_all();
    });
}

RunningServer::~RunningServer() {
    server_.stop();
    thread_.join();
}

bool RunningServer::wait_until_ended(std::chrono::seconds limit) {
    std::unique_lock lock(ended_mutex_);
    return ended_changed_.wait_for(lock, limit, [this] { return ended_; });
}

std::vector<std::string> RunningServer::log_lines() {
    const std::lock_guard lock(mutex_);
    return lines_;
}

HttpSettings test_settings() {
    HttpSettings settings;
    settings.port = 0;
    settings.workers = 2;
    settings.request_read_deadline = std::chrono::seconds(1);
    settings.body_read_deadline = std::chrono::seconds(1);
    settings.write_timeout = std::chrono::seconds(1);
    settings.keep_alive_timeout = std::chrono::seconds(1);
    return settings;
}

Route text_route(std::string path, std::string body, bool quick) {
    return {std::move(path),
            [body = std::move(body)](const RouteRequest&) {
                Reply reply;
                reply.content_type = "text/plain";
                reply.body = body;
                return reply;
            },
            false, quick};
}

}  // namespace papyr::news_server::test_http
