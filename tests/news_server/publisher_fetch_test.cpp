#include "news_server/publisher_fetch.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "news_server/disk_cache.h"
#include "support/fake_programs.h"
#include "support/temp.h"

namespace papyr::news_server {
namespace {

using namespace std::chrono_literals;

FetchRequest request_for(const std::string& url, std::chrono::milliseconds within = 8000ms) {
    return FetchRequest{url, {"vnexpress.net"}, std::chrono::steady_clock::now() + within};
}

TEST(CurlOutput, TheFinalAnswersStatusLocationCharsetAndBodyAreRead) {
    struct Case {
        std::string output;
        int status;
        std::optional<std::string> location;
        std::string body;
        std::string charset = "";
    };
    const std::vector<Case> cases{
        {"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<rss/>", 200, std::nullopt, "<rss/>"},
        {"HTTP/1.1 200 OK\r\ncontent-type: text/html; q=1; Charset=\"Windows-1258\"\r\n\r\n<p>",
         200, std::nullopt, "<p>", "windows-1258"},
        // The final answer's type counts, not an interim one's.
        {"HTTP/1.1 100 Continue\r\nContent-Type: text/html;charset=koi8-r\r\n\r\n"
         "HTTP/1.1 200 OK\r\nContent-Type: text/html;charset=utf-8\r\n\r\nx",
         200, std::nullopt, "x", "utf-8"},
        {"HTTP/2 301 \r\nlocation: https://vnexpress.net/b\r\n\r\n", 301, "https://vnexpress.net/b",
         ""},
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\n\r\ngone", 404, std::nullopt,
         "gone"},
        // A proxy's answer to CONNECT comes first.
        {"HTTP/1.1 200 Connection established\r\n\r\nHTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n",
         302, "/x", ""},
        // The body may itself start like a status line: only one block is
        // skipped per interim answer.
        {"HTTP/1.1 200 OK\n\nHTTP/1.1 is a protocol", 200, std::nullopt, "HTTP/1.1 is a protocol"},
    };
    for (const Case& c : cases) {
        const auto answer = parse_curl_output(c.output);
        ASSERT_TRUE(answer) << c.output;
        EXPECT_EQ(answer->status, c.status) << c.output;
        EXPECT_EQ(answer->location, c.location) << c.output;
        EXPECT_EQ(answer->body, c.body) << c.output;
        EXPECT_EQ(answer->charset, c.charset) << c.output;
    }
    for (const std::string bad :
         {"", "<html>", "HTTP/1.1 200 OK\r\nno end of headers", "HTTP/1.1 abc\r\n\r\n"})
        EXPECT_FALSE(parse_curl_output(bad)) << bad;
}

TEST(CurlArguments, VerifyCertificatesAndFollowNoRedirectsThemselves) {
    CurlSettings settings;
    const auto plain = curl_arguments(settings, "https://vnexpress.net/a.rss", 6.0);
    EXPECT_EQ(plain.back(), "https://vnexpress.net/a.rss");
    for (const std::string forbidden : {"-k", "--insecure", "-L", "--location", "--resolve"})
        EXPECT_EQ(std::count(plain.begin(), plain.end(), forbidden), 0) << forbidden;
    const auto value_of = [&](const std::vector<std::string>& arguments, const std::string& name) {
        const auto found = std::find(arguments.begin(), arguments.end(), name);
        return found == arguments.end() || found + 1 == arguments.end() ? std::string("(none)")
                                                                        : *(found + 1);
    };
    EXPECT_EQ(value_of(plain, "--max-time"), "6.000");
    EXPECT_EQ(value_of(plain, "--max-filesize"), std::to_string(settings.max_body_bytes));
    EXPECT_EQ(value_of(plain, "--proto"), "=http,https");
    EXPECT_NE(std::find(plain.begin(), plain.end(), "--compressed"), plain.end());
    EXPECT_NE(std::find(plain.begin(), plain.end(), "Accept-Language: vi-VN,vi;q=0.9,en;q=0.8"),
              plain.end());

    settings.ca_bundle = "/etc/papyr/ca.pem";
    settings.test_resolve_address = "127.0.0.1";
    const auto test = curl_arguments(settings, "http://tuoitre.vn:8080/x", 2.5);
    EXPECT_EQ(value_of(test, "--cacert"), "/etc/papyr/ca.pem");
    EXPECT_EQ(value_of(test, "--resolve"), "tuoitre.vn:8080:127.0.0.1");
    EXPECT_EQ(value_of(curl_arguments(settings, "https://tuoitre.vn/x", 1), "--resolve"),
              "tuoitre.vn:443:127.0.0.1");
}

// A fake curl that answers by the URL (its last argument) and records its
// arguments.
class FakeCurl {
  public:
    explicit FakeCurl(const std::string& body) { programs_.add_recording_script("curl", body); }
    std::vector<std::vector<std::string>> calls() const { return programs_.recorded_calls("curl"); }

  private:
    test::FakeProgramDir programs_;
};

TEST(CurlFetcher, FollowsRedirectsOnThePublishersHostsOnly) {
    const FakeCurl curl(R"(for url; do :; done
case "$url" in
  https://vnexpress.net/old) printf 'HTTP/1.1 301 Moved\r\nLocation: /new\r\n\r\n' ;;
  https://vnexpress.net/new) printf 'HTTP/1.1 200 OK\r\n\r\nthe page' ;;
  https://vnexpress.net/away) printf 'HTTP/1.1 302 Found\r\nLocation: https://evil.example/x\r\n\r\n' ;;
  https://vnexpress.net/ftp) printf 'HTTP/1.1 302 Found\r\nLocation: ftp://vnexpress.net/x\r\n\r\n' ;;
  https://vnexpress.net/loop) printf 'HTTP/1.1 302 Found\r\nLocation: /loop\r\n\r\n' ;;
  *) exit 99 ;;
esac)");
    CurlFetcher fetch{CurlSettings{}};
    const FetchResult moved = fetch(request_for("https://vnexpress.net/old"));
    ASSERT_TRUE(moved.ok()) << moved.detail;
    EXPECT_EQ(moved.body, "the page");
    EXPECT_EQ(moved.final_url, "https://vnexpress.net/new");

    EXPECT_EQ(fetch(request_for("https://vnexpress.net/away")).problem,
              FetchProblem::ForeignRedirect);
    EXPECT_EQ(fetch(request_for("https://vnexpress.net/ftp")).problem,
              FetchProblem::ForeignRedirect);
    EXPECT_EQ(fetch(request_for("https://vnexpress.net/loop")).problem,
              FetchProblem::TooManyRedirects);
    // The foreign redirect target was never asked for.
    for (const auto& call : curl.calls())
        EXPECT_EQ(call.back().find("evil.example"), std::string::npos);
}

TEST(CurlFetcher, TellsTimeOutsSizeAndErrorStatusesApart) {
    const FakeCurl curl(R"(for url; do :; done
case "$url" in
  */timeout) exit 28 ;;
  */refused) exit 7 ;;
  */too-big) exit 63 ;;
  */endless) printf 'HTTP/1.1 200 OK\r\n\r\n'; exec yes 'endless body' ;;
  */missing) printf 'HTTP/1.1 404 Not Found\r\n\r\n<html>404</html>' ;;
  */garbage) printf 'not http at all' ;;
esac)");
    CurlSettings settings;
    settings.max_body_bytes = 4096;
    CurlFetcher fetch{settings};
    const std::vector<std::pair<std::string, FetchProblem>> cases{
        {"timeout", FetchProblem::TimedOut},   {"refused", FetchProblem::Unreachable},
        {"too-big", FetchProblem::TooLarge},   {"endless", FetchProblem::TooLarge},
        {"missing", FetchProblem::HttpStatus}, {"garbage", FetchProblem::Unreachable},
    };
    for (const auto& [path, problem] : cases)
        EXPECT_EQ(fetch(request_for("https://vnexpress.net/" + path)).problem, problem) << path;
    EXPECT_EQ(fetch(request_for("https://vnexpress.net/missing")).http_status, 404);
}

TEST(CurlFetcher, NothingIsStartedOnceTheDeadlineHasPassed) {
    const FakeCurl curl("printf 'HTTP/1.1 200 OK\\r\\n\\r\\nx'");
    CurlFetcher fetch{CurlSettings{}};
    EXPECT_EQ(fetch(request_for("https://vnexpress.net/a", 50ms)).problem, FetchProblem::TimedOut);
    EXPECT_TRUE(curl.calls().empty());
    ASSERT_TRUE(fetch(request_for("https://vnexpress.net/a")).ok());
    ASSERT_EQ(curl.calls().size(), 1U);
    // The time left, not more, goes to curl.
    const std::vector<std::string> arguments = curl.calls()[0];
    const auto limit = std::find(arguments.begin(), arguments.end(), "--max-time");
    ASSERT_NE(limit, arguments.end());
    EXPECT_LE(std::stod(*(limit + 1)), 6.0);
}

TEST(CaBundle, TheSystemsBundleComesFirstThenTheReleases) {
    test::TempDir dir;
    test::write_file(dir / "system.pem", "certificates");
    test::write_file(dir / "empty.pem", "");
    test::write_file(dir / "release.pem", "certificates");
    const std::string system = (dir / "system.pem").string();
    const std::string empty = (dir / "empty.pem").string();
    const std::string release = (dir / "release.pem").string();
    EXPECT_EQ(choose_ca_bundle({"/nonexistent.pem", system}, release), system);
    EXPECT_EQ(choose_ca_bundle({empty, "/nonexistent.pem"}, release), release);
    EXPECT_EQ(choose_ca_bundle({empty}, "/nonexistent.pem"), std::nullopt);
}

TEST(DiskCache, KeepsFilesWholeAndRemovesTheOldestPastItsBound) {
    test::TempDir dir;
    const std::string kilobyte(1024, 'x');
    {
        DiskCache cache(dir / "articles", 10 * 1024);
        for (int i = 0; i < 10; ++i)
            ASSERT_TRUE(cache.write("a" + std::to_string(i) + ".json", kilobyte));
        EXPECT_EQ(cache.size(), 10U * 1024);
        ASSERT_TRUE(cache.read("a0.json"));
        EXPECT_EQ(cache.read("a0.json")->bytes, kilobyte);
        // Written apart in time, so that "oldest" is well defined.
        std::filesystem::last_write_time(dir / "articles" / "a0.json",
                                         std::filesystem::file_time_type::clock::now() - 1h);
        ASSERT_TRUE(cache.write("new.json", kilobyte));
        EXPECT_FALSE(cache.read("a0.json"));
        EXPECT_TRUE(cache.read("new.json"));
        EXPECT_LE(cache.size(), 9U * 1024);
        // Names that could leave the folder are refused.
        EXPECT_FALSE(cache.write("../escape.json", "x"));
        EXPECT_FALSE(cache.write("", "x"));
        EXPECT_FALSE(std::filesystem::exists(dir / "escape.json"));
    }
    // A leftover temporary file of a crashed run is removed at start, and
    // the count is taken from what is there.
    test::write_file(dir / "articles" / "a5.json.tmp-123-1", "torn");
    DiskCache reopened(dir / "articles", 10 * 1024);
    EXPECT_FALSE(std::filesystem::exists(dir / "articles" / "a5.json.tmp-123-1"));
    EXPECT_LE(reopened.size(), 9U * 1024);
    EXPECT_GT(reopened.size(), 0U);
}

}  // namespace
}  // namespace papyr::news_server
