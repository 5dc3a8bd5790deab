#include "news_api/fetch.h"

#include <gtest/gtest.h>

#include "support/closed_port.h"
#include "support/fake_programs.h"
#include "support/news_server.h"

// fetch_url against stand-in curl programs placed first on PATH, and with the
// real curl against the stand-in server on loopback.

namespace papyr {
namespace {

using test::FakeProgramDir;

TEST(FetchUrl, RunsCurlWithTheNewsArgumentsAndTheUrlUnchangedLast) {
    FakeProgramDir fakes;
    fakes.add_recording_script("curl", "printf '{}'");
    const std::string url = "https://news.invalid/api/v1/news/article?url=a b&c=$(id);`x`|*";

    const Result<std::string> body = fetch_url(url);

    ASSERT_TRUE(body.has_value()) << body.error();
    EXPECT_EQ(*body, "{}");
    const std::vector<std::vector<std::string>> expected = {
        {"-s", "-L", "-4", "-k", "--max-time", "12", "-A",
         "Mozilla/5.0 (Linux; Android 10; TrimUI) Papyr/1.0", url}};
    EXPECT_EQ(fakes.recorded_calls("curl"), expected);
}

TEST(FetchUrl, DecidesTheOutcomeByCurlsExitAndTheBodysEncoding) {
    struct Case {
        const char* name;
        const char* script;
        bool success;
        std::string text;  // the body on success, else the message
    };
    const Case cases[] = {
        {"body kept whole and untrimmed", "printf ' Tiếng Việt\\n\\n'", true, " Tiếng Việt\n\n"},
        {"standard error is not part of the body", "echo noise >&2; printf ok", true, "ok"},
        {"an empty body is a success", "exit 0", true, ""},
        {"resolve failure", "exit 6", false, "Lỗi kết nối mạng (curl exit code: Some(6))"},
        {"output before a time-out is dropped", "printf '{\"succ'; exit 28", false,
         "Lỗi kết nối mạng (curl exit code: Some(28))"},
        {"ended by a signal", "kill -TERM $$", false, "Lỗi kết nối mạng (curl exit code: None)"},
        {"invalid byte in the middle", "printf 'ab\\377cd'", false,
         "Lỗi giải mã UTF-8: invalid utf-8 sequence of 1 bytes from index 2"},
        {"broken two-byte sequence", "printf 'ộ\\341\\273x'", false,
         "Lỗi giải mã UTF-8: invalid utf-8 sequence of 2 bytes from index 3"},
        {"body ends inside a sequence", "printf 'ok\\341\\273'", false,
         "Lỗi giải mã UTF-8: incomplete utf-8 byte sequence from index 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProgramDir fakes;
        fakes.add_script("curl", c.script);
        const Result<std::string> outcome = fetch_url("https://news.invalid/feed");
        ASSERT_EQ(outcome.has_value(), c.success) << (outcome ? *outcome : outcome.error());
        EXPECT_EQ(outcome ? *outcome : outcome.error(), c.text);
    }
}

TEST(FetchUrl, ReportsACurlThatCannotBeStarted) {
    {
        FakeProgramDir empty(FakeProgramDir::PathMode::Replace);
        const Result<std::string> outcome = fetch_url("https://news.invalid/feed");
        ASSERT_FALSE(outcome.has_value());
        EXPECT_EQ(outcome.error(), "Lỗi gọi curl: No such file or directory (os error 2)");
    }
    {
        FakeProgramDir fakes(FakeProgramDir::PathMode::Replace);
        fakes.add_plain_file("curl", "#!/bin/sh\nprintf '{}'\n");
        const Result<std::string> outcome = fetch_url("https://news.invalid/feed");
        ASSERT_FALSE(outcome.has_value());
        EXPECT_EQ(outcome.error(), "Lỗi gọi curl: Permission denied (os error 13)");
    }
}

TEST(FetchUrlLive, ErrorPagesAndEmptyAnswersAreBodiesNotFailures) {
    test::LocalNewsServer server;
    const std::string url = server.api_base_url() + "/feed?source=guardian&category=world";
    const std::pair<const char*, std::string> cases[] = {
        {"not-found", "<h1>404 Not Found</h1>"},
        {"html-502", "<h1>502 Bad Gateway</h1>"},
        {"empty", ""},
    };
    for (const auto& [fault, part] : cases) {
        server.set_fault(fault, "feed", 1);
        const Result<std::string> body = fetch_url(url);
        ASSERT_TRUE(body.has_value()) << fault << ": " << body.error();
        EXPECT_TRUE(part.empty() ? body->empty() : body->find(part) != std::string::npos)
            << fault << ": " << *body;
    }
    // Each fault was limited to one request.
    EXPECT_EQ(fetch_url(url).value().rfind("{\"success\":true,\"items\":[{", 0), 0U);
}

TEST(FetchUrlLive, ARefusedConnectionIsCurlExitSeven) {
    const Result<std::string> body = fetch_url(test::closed_port_url("https", "/api/v1/news/feed"));
    ASSERT_FALSE(body.has_value());
    EXPECT_EQ(body.error(), "Lỗi kết nối mạng (curl exit code: Some(7))");
}

}  // namespace
}  // namespace papyr
