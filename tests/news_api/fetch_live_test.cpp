#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string_view>

#include "news_api/endpoints.h"
#include "news_api/fetch.h"
#include "news_api/percent_encode.h"
#include "support/news_server.h"

// fetch_url with the real curl against the stand-in news server on loopback.

namespace papyr {
namespace {

class FetchUrlLive : public ::testing::Test {
  protected:
    test::LocalNewsServer server_;

    // The program's own API path, moved to the test server's origin, so the
    // path compiled into the program is checked against the server's routes.
    Result<std::string> fetch(const std::string& path_and_query) {
        const std::string_view api_path = api_base_url().substr(api_origin().size());
        return fetch_url(server_.origin() + std::string(api_path) + path_and_query);
    }
};

// A loopback port that nothing listens on: bound once by the system's
// choice, then released.
int unused_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);  // NOLINT: the sockets API
    if (fd < 0 || ::bind(fd, generic, length) != 0 || ::getsockname(fd, generic, &length) != 0) {
        ADD_FAILURE() << "cannot find a free port";
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST_F(FetchUrlLive, ReturnsTheServersJsonForExactlyTheRequestedTarget) {
    const Result<std::string> body = fetch("/feed?source=vnexpress&category=tin-moi");

    ASSERT_TRUE(body.has_value()) << body.error();
    EXPECT_EQ(body->rfind("{\"success\":true,\"items\":[{\"id\":\"vnexpress-tin-moi-1\"", 0), 0U)
        << *body;
    EXPECT_NE(body->find("Hà Nội thử nghiệm làn xe buýt riêng"), std::string::npos);
    EXPECT_EQ(server_.requests(),
              std::vector<std::string>{"GET /api/v1/news/feed?source=vnexpress&category=tin-moi"});
}

TEST_F(FetchUrlLive, PercentEncodedArticleLinksArriveAsTheOneQueryValue) {
    const std::string links[] = {
        "https://demo.papyr.invalid/guardian/world/story?id=7&ref=feed#top",
        "https://demo.papyr.invalid/dantri/xa-hoi/thư-viện-lưu-động-về-xã-đảo.html",
    };
    for (const std::string& link : links) {
        const std::string target = "/article?url=" + percent_encode(link);
        const Result<std::string> body = fetch(target);

        ASSERT_TRUE(body.has_value()) << body.error();
        EXPECT_EQ(body->rfind("{\"success\":true,\"article\":{\"url\":\"" + link + "\"", 0), 0U)
            << *body;
        ASSERT_FALSE(server_.requests().empty());
        const std::string logged = server_.requests().back();
        EXPECT_EQ(logged, "GET /api/v1/news" + target);
        EXPECT_EQ(logged.find('&'), std::string::npos) << "more than one query key: " << logged;
        EXPECT_EQ(logged.find('#'), std::string::npos) << logged;
    }
}

TEST_F(FetchUrlLive, ErrorPagesAndEmptyAnswersAreBodiesNotFailures) {
    struct Case {
        const char* fault;
        std::string expected_part;
    };
    const Case cases[] = {
        {"not-found", "<h1>404 Not Found</h1>"},
        {"html-502", "<h1>502 Bad Gateway</h1>"},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        server_.set_fault(c.fault, "feed", 1);
        const Result<std::string> body = fetch("/feed?source=guardian&category=world");
        ASSERT_TRUE(body.has_value()) << body.error();
        if (c.expected_part.empty()) {
            EXPECT_EQ(*body, "");
        } else {
            EXPECT_NE(body->find(c.expected_part), std::string::npos) << *body;
        }
    }
}

// The other suites decode these bodies; here they are pinned down once.
TEST_F(FetchUrlLive, ServerFaultModesGiveTheirDocumentedBodies) {
    const Result<std::string> whole =
        fetch("/article?url=" + percent_encode("https://demo.papyr.invalid/"
                                               "vnexpress/tin-moi/tin-1.html"));
    ASSERT_TRUE(whole.has_value()) << whole.error();

    server_.set_fault("truncated", "article", 1);
    const Result<std::string> truncated =
        fetch("/article?url=" +
              percent_encode("https://demo.papyr.invalid/vnexpress/tin-moi/tin-1.html"));
    ASSERT_TRUE(truncated.has_value()) << truncated.error();
    EXPECT_LT(truncated->size(), whole->size());
    EXPECT_GT(truncated->size(), 0U);
    EXPECT_EQ(whole->rfind(*truncated, 0), 0U) << "not a prefix: " << *truncated;

    const std::pair<const char*, std::string> exact[] = {
        {"success-false", "{\"success\":false,\"error\":\"Máy chủ đang bảo trì\"}"},
        {"success-false-no-error", "{\"success\":false}"},
        {"null-payload", "{\"success\":true,\"article\":null}"},
    };
    for (const auto& [fault, expected] : exact) {
        server_.set_fault(fault, "article", 1);
        const Result<std::string> body = fetch("/article?url=x");
        ASSERT_TRUE(body.has_value()) << body.error();
        EXPECT_EQ(*body, expected) << fault;
    }

    // A fault limited to one route and one request leaves the rest alone.
    server_.set_fault("null-payload", "article", 1);
    const Result<std::string> feed = fetch("/feed?source=bbc-vn&category=tin-moi");
    ASSERT_TRUE(feed.has_value()) << feed.error();
    EXPECT_EQ(feed->rfind("{\"success\":true,\"items\":[{", 0), 0U);
    EXPECT_EQ(fetch("/article?url=x").value(), "{\"success\":true,\"article\":null}");
    EXPECT_EQ(fetch("/article?url=x").value(),
              "{\"success\":false,\"error\":\"Không tìm thấy bài viết\"}");
}

TEST_F(FetchUrlLive, InvalidUtf8FromTheServerIsADecodingFailure) {
    server_.set_fault("invalid-utf8");
    const Result<std::string> body = fetch("/feed?source=vnexpress&category=tin-moi");
    ASSERT_FALSE(body.has_value());
    EXPECT_EQ(body.error(), "Lỗi giải mã UTF-8: invalid utf-8 sequence of 1 bytes from index 24");
}

TEST(FetchUrlNetwork, ARefusedConnectionIsCurlExitSeven) {
    const Result<std::string> body =
        fetch_url("https://127.0.0.1:" + std::to_string(unused_port()) + "/api/v1/news/feed");
    ASSERT_FALSE(body.has_value());
    EXPECT_EQ(body.error(), "Lỗi kết nối mạng (curl exit code: Some(7))");
}

// Takes twelve seconds: curl's own time limit is what is being checked.
TEST_F(FetchUrlLive, AServerThatNeverAnswersIsCutOffAfterTwelveSeconds) {
    server_.set_fault("slow", "feed", 1);
    const auto started = std::chrono::steady_clock::now();
    const Result<std::string> body = fetch("/feed?source=vnexpress&category=tin-moi");
    const auto elapsed = std::chrono::steady_clock::now() - started;

    ASSERT_FALSE(body.has_value());
    EXPECT_EQ(body.error(), "Lỗi kết nối mạng (curl exit code: Some(28))");
    EXPECT_GE(elapsed, std::chrono::milliseconds(11500));
    EXPECT_LT(elapsed, std::chrono::seconds(18));
}

}  // namespace
}  // namespace papyr
