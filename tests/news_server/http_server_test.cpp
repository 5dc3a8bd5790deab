#include "news_server/http_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "news_server/tls_identity.h"
#include "support/temp.h"
#include "tls_client.h"

namespace papyr::news_server {
namespace {

using test_http::connect_to;

TlsIdentity identity(const test::TempDir& dir) {
    auto made = ensure_certificate(dir / "tls", {"127.0.0.1"});
    EXPECT_TRUE(made) << made.error();
    return made ? *made : TlsIdentity{};
}

HttpSettings on_port(int port) {
    HttpSettings settings;
    settings.port = port;
    settings.workers = 2;
    return settings;
}

// A second service must not share the port of one that runs (the kernel
// would split the consoles' connections between them), while the successor
// of a stopped one takes the port at once.
TEST(HttpsServer, APortInUseIsAnErrorAndAStoppedServicesPortIsFree) {
    const test::TempDir dir;
    const TlsIdentity tls = identity(dir);
    HttpsServer first(on_port(0), tls, {}, [](std::string_view) {});
    ASSERT_TRUE(first.bind());
    const int port = first.port();
    ASSERT_GT(port, 0);
    std::thread running([&first] { first.run(); });

    HttpsServer second(on_port(port), tls, {}, [](std::string_view) {});
    const auto refused = second.bind();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(),
              "cannot listen on 127.0.0.1:" + std::to_string(port) + ": Address already in use");

    first.stop();
    running.join();
    HttpsServer successor(on_port(port), tls, {}, [](std::string_view) {});
    const auto bound = successor.bind();
    EXPECT_TRUE(bound) << bound.error();
}

TEST(HttpsServer, AStopIsNeverLostWhetherItComesBeforeOrWhileTheServiceStarts) {
    const test::TempDir dir;
    const TlsIdentity tls = identity(dir);
    // Round 0 stops before run(); the others at once after the thread that
    // runs it started, so the stop lands before, inside and after the
    // library's start. A lost stop would leave run() accepting for ever:
    // the test then fails after a generous wait instead of hanging.
    for (int round = 0; round < 100; ++round) {
        HttpsServer server(on_port(0), tls, {}, [](std::string_view) {});
        ASSERT_TRUE(server.bind());
        if (round == 0)
            server.stop();
        std::promise<void> ended;
        auto done = ended.get_future();
        std::thread running([&] {
            server.run();
            ended.set_value();
        });
        server.stop();
        if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "round " << round << ": the stop was lost";
            std::_Exit(1);
        }
        running.join();
    }
}

// Whether the service has closed the connection: the socket reads as ended
// (or reset) rather than merely having nothing to read yet.
bool closed_by_peer(int sock) {
    pollfd entry{sock, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0)
        return false;
    char byte = 0;
    return ::recv(sock, &byte, 1, MSG_DONTWAIT) <= 0;
}

using Clock = std::chrono::steady_clock;

// Sends `send_one` a byte at a time, 100 ms apart (well inside the read
// timeout), until the service closes the connection or `give_up` passes;
// returns how long the service let it go on, or nothing if it never closed.
template <class SendOne>
std::optional<Clock::duration> trickle_until_closed(int sock, SendOne send_one,
                                                    Clock::duration give_up) {
    const auto start = Clock::now();
    while (Clock::now() - start < give_up) {
        if (closed_by_peer(sock) || !send_one())
            return Clock::now() - start;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
}

// A timeout per read resets with every byte, so it alone lets a client that
// trickles bytes hold its connection for ever; the deadlines must end it
// whether it trickles the TLS handshake (inside one record, where OpenSSL
// keeps reading), the head of a request or its body, while a client that
// asks at once is still answered.
TEST(HttpsServer, AClientTricklingItsBytesIsCutOffAtTheDeadline) {
    const test::TempDir dir;
    const TlsIdentity tls = identity(dir);
    HttpSettings settings = on_port(0);
    settings.request_read_deadline = std::chrono::seconds(1);
    settings.body_read_deadline = std::chrono::seconds(1);
    const Route healthz{"/healthz", [](const RouteRequest&) {
                            Reply reply;
                            reply.content_type = "text/plain";
                            reply.body = "ok";
                            return reply;
                        }};
    HttpsServer server(settings, tls, {healthz}, [](std::string_view) {});
    ASSERT_TRUE(server.bind());
    std::thread running([&server] { server.run(); });
    const auto give_up = std::chrono::seconds(4);

    // A connection that sends nothing at all.
    const int silent = connect_to(server.port());
    ASSERT_GE(silent, 0);
    const auto quiet = trickle_until_closed(
        silent, [] { return true; }, give_up);
    ::close(silent);
    ASSERT_TRUE(quiet) << "a silent connection stayed open past " << give_up.count() << " s";

    // The TLS handshake: a record header announcing 512 bytes, then the body
    // of the record a byte at a time.
    const int raw = connect_to(server.port());
    ASSERT_GE(raw, 0);
    const unsigned char header[] = {0x16, 0x03, 0x01, 0x02, 0x00};
    ASSERT_EQ(::send(raw, header, sizeof header, MSG_NOSIGNAL), 5);
    const auto handshake = trickle_until_closed(
        raw, [raw] { return ::send(raw, "\x01", 1, MSG_NOSIGNAL) == 1; }, give_up);
    ::close(raw);
    ASSERT_TRUE(handshake) << "a trickled handshake held its worker past " << give_up.count()
                           << " s";
    EXPECT_GE(*handshake, std::chrono::milliseconds(900));

    // After a handshake made at once, a request line and then header lines
    // a byte at a time.
    const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> context(
        SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    const auto ask = [&](const std::string& head, bool trickle) {
        const int sock = connect_to(server.port());
        EXPECT_GE(sock, 0);
        SSL* ssl = SSL_new(context.get());
        SSL_set_fd(ssl, sock);
        EXPECT_EQ(SSL_connect(ssl), 1);
        std::optional<Clock::duration> cut;
        std::string answer;
        if (trickle) {
            EXPECT_EQ(SSL_write(ssl, head.data(), static_cast<int>(head.size())),
                      static_cast<int>(head.size()));
            cut = trickle_until_closed(
                sock, [ssl] { return SSL_write(ssl, "X", 1) == 1; }, give_up);
        } else {
            SSL_write(ssl, head.data(), static_cast<int>(head.size()));
            char buffer[512];
            for (int got; (got = SSL_read(ssl, buffer, sizeof buffer)) > 0;)
                answer.append(buffer, static_cast<std::size_t>(got));
        }
        SSL_free(ssl);
        ::close(sock);
        return std::make_pair(cut, answer);
    };
    const auto request = ask("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ", true).first;
    ASSERT_TRUE(request) << "a trickled request head held its worker past " << give_up.count()
                         << " s";
    EXPECT_GE(*request, std::chrono::milliseconds(900));
    const auto body =
        ask("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1000\r\n\r\n", true).first;
    ASSERT_TRUE(body) << "a trickled body held its connection past " << give_up.count() << " s";

    const std::string answer =
        ask("GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n", false).second;
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200")) << answer;
    EXPECT_TRUE(answer.ends_with("\r\n\r\nok")) << answer;

    server.stop();
    running.join();
}

}  // namespace
}  // namespace papyr::news_server
