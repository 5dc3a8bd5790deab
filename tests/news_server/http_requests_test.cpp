#include "news_server/http_requests.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace papyr::news_server {
namespace {

TEST(Printable, EscapesEveryByteThatIsNotPrintableUtf8) {
    // Vietnamese and other printable text stays as it is.
    EXPECT_EQ(printable("/tin-tức?q=Hà Nội&x=€"), "/tin-tức?q=Hà Nội&x=€");
    // C0, DEL and C1 controls (ESC [ and its one-character C1 form CSI).
    EXPECT_EQ(printable("a\x1B[2Jb\x7F\xC2\x9B"
                        "c\r\n"),
              "a\\x1B[2Jb\\x7F\\xC2\\x9Bc\\x0D\\x0A");
    // Invalid and incomplete UTF-8: a lone continuation byte, an overlong
    // slash, an encoded surrogate, a sequence cut at the end.
    EXPECT_EQ(printable("\x80/\xC0\xAF/\xED\xA0\x80/\xE1\xBB"),
              "\\x80/\\xC0\\xAF/\\xED\\xA0\\x80/\\xE1\\xBB");
    // Characters that reorder or hide what follows on a terminal.
    EXPECT_EQ(printable("a\xE2\x80\xAE"
                        "b\xE2\x81\xA6"
                        "c\xE2\x80\x8B"),
              "a\\xE2\\x80\\xAEb\\xE2\\x81\\xA6c\\xE2\\x80\\x8B");
    // A backslash cannot pose as an escape.
    EXPECT_EQ(printable("\\x1B"), "\\x5Cx1B");
}

RequestHead get(std::string target) {
    RequestHead head;
    head.method = "GET";
    head.target = std::move(target);
    head.host = "127.0.0.1:4548";
    return head;
}

TEST(RouteRequest, DecodesThePathAndTheQuery) {
    const RouteRequest request = route_request(get(
        "/api/v1/news/%61rticle?url=https%3A%2F%2Fvnexpress.net%2Fa+b.html&x&x=2&=skip&bad=%zz"));
    EXPECT_EQ(request.path, "/api/v1/news/article");
    EXPECT_EQ(request.host, "127.0.0.1:4548");
    const QueryParams expected{
        {"url", "https://vnexpress.net/a b.html"}, {"x", ""}, {"x", "2"}, {"bad", "%zz"}};
    EXPECT_EQ(request.query, expected);
    // '+' is a space in the query only.
    EXPECT_EQ(route_request(get("/a+b")).path, "/a+b");
}

TEST(AnswerRequest, RoutesByPathAndMethodAndKeepsFailuresInside) {
    std::vector<std::string> logged;
    const LogFn log = [&](std::string_view line) { logged.emplace_back(line); };
    const std::vector<Route> routes{
        {"/ota/packages/",
         [](const RouteRequest& r) {
             Reply reply;
             reply.body = r.path;
             return reply;
         },
         true},
        {"/throws", [](const RouteRequest&) -> Reply { throw 42; }},
    };
    EXPECT_EQ(answer_request(route_for(routes, get("/ota/packages/1.zip")),
                             get("/ota/packages/1.zip"), log)
                  .body,
              "/ota/packages/1.zip");
    EXPECT_EQ(
        answer_request(route_for(routes, get("/ota/packages")), get("/ota/packages"), log).status,
        404);
    RequestHead post = get("/throws");
    post.method = "POST";
    EXPECT_EQ(route_for(routes, post), nullptr);
    EXPECT_EQ(answer_request(nullptr, post, log).status, 405);
    EXPECT_NE(response_head(answer_request(nullptr, post, log), 0, &post, true)
                  .find("\r\nAllow: GET, HEAD\r\n"),
              std::string::npos);

    const Reply failed = answer_request(route_for(routes, get("/throws")), get("/throws"), log);
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.cache_control, "no-store");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0],
              "[Server] The route /throws failed: an exception that is no std::exception");
}

}  // namespace
}  // namespace papyr::news_server
