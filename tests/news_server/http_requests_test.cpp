#include "news_server/http_requests.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace papyr::news_server {
namespace {

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
