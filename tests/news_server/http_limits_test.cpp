// The HTTP layer against hostile clients: real TLS clients on loopback send
// exactly the bytes of each case.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <stdexcept>

#include "news_server/http_server.h"
#include "tls_client.h"

namespace papyr::news_server {
namespace {

using namespace test_http;
using std::chrono::seconds;

std::string repeated(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// A route that counts its calls, so a test sees whether a request was ever
// read where none should have been.
Route counting_route(std::string path, std::atomic<int>& calls) {
    return {std::move(path), [&calls](const RouteRequest&) {
                ++calls;
                Reply reply;
                reply.body = "{}";
                return reply;
            }};
}

// A refused head is answered once, and the connection then closes: the
// rest of that request, which here holds a request line of its own, is
// never read as another request (a proxy in front would take it for part
// of one request, and the second answer would be served to someone else).
TEST(HttpLimits, ARefusedRequestGetsOneAnswerAndItsRestIsNeverReadAsARequest) {
    std::atomic<int> hidden = 0;
    RunningServer server(test_settings(),
                         {text_route("/healthz", "ok"), counting_route("/hidden", hidden)});
    const std::string smuggled = "GET /hidden HTTP/1.1\r\nHost: a\r\n\r\n";
    const std::string start = "GET /healthz HTTP/1.1\r\nHost: a\r\n";
    const struct {
        const char* what;
        std::string bytes;
        int status;
    } cases[] = {
        {"101 header lines", start + repeated("X-Pad: 1\r\n", 100) + smuggled, 431},
        {"a header line over 8 KiB",
         start + "X-Long: " + std::string(8200, 'a') + "\r\n" + smuggled, 431},
        {"a request line over 8 KiB", "GET /" + std::string(8200, 'a') + " HTTP/1.1\r\n" + smuggled,
         414},
        {"a head over 32 KiB in lines within the limits",
         start + repeated("X-Pad: " + std::string(4000, 'b') + "\r\n", 9) + smuggled, 431},
        {"a body over 4 KiB",
         start + "Content-Length: 5000\r\n\r\n" + smuggled +
             std::string(5000 - smuggled.size(), ' '),
         413},
        {"a malformed header line", start + "No colon here\r\n" + smuggled, 400},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.what);
        TlsClient client(server.port());
        ASSERT_TRUE(client.ready());
        ASSERT_TRUE(client.send(refused.bytes));
        bool closed = false;
        const std::vector<Answer> answers =
            split_answers(client.read_until_closed(seconds(10), &closed));
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].status, refused.status);
        EXPECT_NE(answers[0].head.find("Connection: close\r\n"), std::string::npos);
        EXPECT_EQ(answers[0].body, R"({"success":false,"error":"Yêu cầu không hợp lệ"})");
        EXPECT_TRUE(closed);
    }
    EXPECT_EQ(hidden, 0);

    // At the limits a request is still served.
    TlsClient client(server.port());
    ASSERT_TRUE(client.send("GET /healthz HTTP/1.1\r\nHost: a\r\n" + repeated("X-Pad: 1\r\n", 98) +
                            "X-Long: " + std::string(8192 - 10, 'c') + "\r\n\r\n"));
    const std::vector<Answer> at_limits = split_answers(client.read_answers(1, seconds(10)));
    ASSERT_EQ(at_limits.size(), 1u);
    EXPECT_EQ(at_limits[0].status, 200);
}

// Requests sent in one write are each answered, in order, on a connection
// kept open for more, which closes once idle past the keep-alive time.
TEST(HttpLimits, PipelinedRequestsAreAnsweredInOrderOnAKeptConnection) {
    RunningServer server(test_settings(), {text_route("/slow-route", "first"),
                                           text_route("/quick", "second", true)});
    TlsClient client(server.port());
    ASSERT_TRUE(
        client.send("HEAD /slow-route HTTP/1.1\r\nHost: a\r\n\r\n"
                    "GET /slow-route HTTP/1.1\r\nHost: a\r\n\r\n"
                    "GET /quick HTTP/1.1\r\nHost: a\r\n\r\n"
                    "GET /slow-route HTTP/1.1\r\nHost: a\r\n\r\n"));
    bool closed = false;
    const std::string stream = client.read_until_closed(seconds(10), &closed);
    const std::vector<Answer> answers = split_answers(stream, {true, false, false, false});
    ASSERT_EQ(answers.size(), 4u) << stream;
    EXPECT_NE(answers[0].head.find("Content-Length: 5\r\n"), std::string::npos);
    EXPECT_EQ(answers[1].body, "first");
    EXPECT_EQ(answers[2].body, "second");
    EXPECT_EQ(answers[3].body, "first");
    for (const Answer& answer : answers)
        EXPECT_EQ(answer.head.find("Connection: close"), std::string::npos);
    EXPECT_TRUE(closed) << "an idle kept connection stayed open";
}

// Connections that send nothing cost no thread, and a quick route answers
// while the most slow routes that may run at once all wait; one more is
// refused at once instead of queueing without end.
TEST(HttpLimits, HealthzAnswersBesideIdleConnectionsAndBusyWorkers) {
    HttpSettings settings = test_settings();
    settings.request_read_deadline = seconds(30);
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<int> waiting = 0;
    const Route slow{"/slow", [&](const RouteRequest&) {
                         ++waiting;
                         released.wait();
                         return Reply{};
                     }};
    RunningServer server(settings, {slow, text_route("/healthz", "ok", true)});

    std::vector<int> idle;
    for (int i = 0; i < 250; ++i)
        idle.push_back(connect_to(server.port()));
    TlsClient first(server.port());
    TlsClient second(server.port());
    ASSERT_TRUE(first.send("GET /slow HTTP/1.1\r\nHost: a\r\n\r\n"));
    ASSERT_TRUE(second.send("GET /slow HTTP/1.1\r\nHost: a\r\n\r\n"));
    for (int i = 0; i < 100 && waiting < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(waiting, 2);

    TlsClient third(server.port());
    ASSERT_TRUE(third.send("GET /slow HTTP/1.1\r\nHost: a\r\n\r\n"));
    const std::vector<Answer> busy = split_answers(third.read_answers(1, seconds(10)));
    ASSERT_EQ(busy.size(), 1u);
    EXPECT_EQ(busy[0].status, 503);

    TlsClient health(server.port());
    ASSERT_TRUE(health.send("GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n"));
    const std::vector<Answer> ok = split_answers(health.read_answers(1, seconds(10)));
    ASSERT_EQ(ok.size(), 1u);
    EXPECT_EQ(ok[0].body, "ok");

    release.set_value();
    EXPECT_EQ(split_answers(first.read_answers(1, seconds(10))).size(), 1u);
    EXPECT_EQ(split_answers(second.read_answers(1, seconds(10))).size(), 1u);
    for (const int sock : idle)
        ::close(sock);
}

// A client that stops reading a large answer is dropped at the write
// deadline instead of holding the connection's memory for ever.
TEST(HttpLimits, AClientThatStopsReadingIsCutOff) {
    const std::size_t size = 64u << 20;
    RunningServer server(test_settings(), {text_route("/big", std::string(size, 'x'))});
    TlsClient client(server.port());
    ASSERT_TRUE(client.send("GET /big HTTP/1.1\r\nHost: a\r\n\r\n"));
    std::this_thread::sleep_for(seconds(4));
    bool closed = false;
    const std::string got = client.read_until_closed(seconds(20), &closed);
    EXPECT_TRUE(closed);
    EXPECT_LT(got.size(), size);
}

// A route that throws: a 500 with a text of the service's own, and the
// exception's text only in the log; the connection goes on serving.
TEST(HttpLimits, ARouteThatThrowsIsA500WithoutItsText) {
    const Route failing{"/fails", [](const RouteRequest&) -> Reply {
                            throw std::runtime_error("secret /var/lib detail");
                        }};
    RunningServer server(test_settings(), {failing, text_route("/healthz", "ok")});
    TlsClient client(server.port());
    ASSERT_TRUE(
        client.send("GET /fails HTTP/1.1\r\nHost: a\r\n\r\n"
                    "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n"));
    const std::string stream = client.read_answers(2, seconds(10));
    const std::vector<Answer> answers = split_answers(stream);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].status, 500);
    EXPECT_EQ(answers[0].body, R"({"success":false,"error":"Máy chủ gặp lỗi khi trả lời"})");
    EXPECT_EQ(stream.find("secret"), std::string::npos);
    EXPECT_EQ(answers[1].body, "ok");
    const std::vector<std::string> lines = server.log_lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "[Server] The route /fails failed: secret /var/lib detail"),
              lines.end());
}

// Bytes of a request target that a terminal could act on, or that are no
// UTF-8 at all, reach the log escaped.
TEST(HttpLimits, RequestTargetsReachTheLogEscaped) {
    RunningServer server(test_settings(), {});
    TlsClient client(server.port());
    ASSERT_TRUE(
        client.send("GET /t\xC2\x9B"
                    "31m\xFF\xE2\x80\xAEtin-t\xE1\xBB\xA9\\ HTTP/1.1\r\n"
                    "Host: a\r\n\r\n"));
    ASSERT_EQ(split_answers(client.read_answers(1, seconds(10))).size(), 1u);
    // The line is written once the answer is.
    std::vector<std::string> lines;
    for (int i = 0; i < 100 && lines.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        lines = server.log_lines();
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(
        "[Server] GET /t\\xC2\\x9B31m\\xFF\\xE2\\x80\\xAEtin-tứ\\x5C 404 "))
        << lines.back();
}

// stop() closes connections waiting for a request at once and lets an
// answer under way finish; then run() returns.
TEST(HttpLimits, StopLetsTheAnswerUnderWayFinish) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> started = false;
    const Route slow{"/slow", [&](const RouteRequest&) {
                         started = true;
                         released.wait();
                         Reply reply;
                         reply.body = "done";
                         return reply;
                     }};
    RunningServer server(test_settings(), {slow});
    TlsClient idle(server.port());
    TlsClient busy(server.port());
    ASSERT_TRUE(busy.send("GET /slow HTTP/1.1\r\nHost: a\r\n\r\n"));
    for (int i = 0; i < 100 && !started; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(started);
    server.stop();
    bool closed = false;
    EXPECT_EQ(idle.read_until_closed(seconds(5), &closed), "");
    EXPECT_TRUE(closed);
    EXPECT_FALSE(server.wait_until_ended(seconds(1)));
    release.set_value();
    const std::vector<Answer> answers = split_answers(busy.read_until_closed(seconds(10)));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].body, "done");
    EXPECT_NE(answers[0].head.find("Connection: close\r\n"), std::string::npos);
    EXPECT_TRUE(server.wait_until_ended(seconds(10)));
}

// The curl children that routes start must not inherit clients'
// connections (one would keep a closed connection open for the client).
TEST(HttpLimits, ConnectionsAreClosedOnExec) {
    RunningServer server(test_settings(), {});
    TlsClient client(server.port());
    ASSERT_TRUE(client.ready());
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode))
            continue;
        ++sockets;
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
    }
    EXPECT_GE(sockets, 3);  // the listener, the client's end and the service's
}

}  // namespace
}  // namespace papyr::news_server
