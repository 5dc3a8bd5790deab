#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "news_api/endpoints.h"
#include "support/news_server.h"
#include "update/check.h"
#include "update/closed_port.h"

// check_for_update with the real curl against the stand-in server, whose
// manifest route is served over HTTPS and, as the fallback, plain HTTP.

namespace papyr {
namespace {

using test::LocalNewsServer;
using test::NewsServerOptions;

std::string closed_port_url() {
    return test::closed_port_url("https", "/ota/papyr.json");
}

// The manifest path compiled into the program, at the test server's origin.
std::string manifest_url(const std::string& origin) {
    return origin + std::string(update_manifest_url().substr(api_origin().size()));
}

NewsServerOptions with_manifest_mode(const std::string& mode) {
    NewsServerOptions options;
    options.extra_arguments = {"--fallback-port", "0", "--route-fault", "manifest=" + mode};
    return options;
}

struct CheckRun {
    UpdateCheckOutcome outcome;
    std::vector<std::string> log;
};

CheckRun run_check(const ManifestEndpoints& endpoints) {
    CheckRun run{Unreachable{}, {}};
    run.outcome =
        check_for_update([&](std::string_view line) { run.log.emplace_back(line); }, endpoints);
    return run;
}

const char kUnreachableLine[] = "[OTA] Primary endpoint unreachable, checking fallback...";

TEST(UpdateCheckLive, FindsTheNewerReleaseOnThePrimaryServer) {
    LocalNewsServer server(with_manifest_mode("newer-version"));

    const CheckRun run = run_check({manifest_url(server.origin()), closed_port_url()});

    ASSERT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    const OtaManifest& manifest = std::get<NewerRelease>(run.outcome).manifest;
    EXPECT_EQ(manifest.version, "1.0.1");
    EXPECT_EQ(manifest.download_url, server.origin() + "/ota/packages/papyr.zip");
    EXPECT_EQ(run.log.back(), "[OTA] Found new version: 1.0.1 (current: 1.0.0)");
    EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /ota/papyr.json"});
}

TEST(UpdateCheckLive, FallsBackToPlainHttpWhenThePrimaryIsClosed) {
    LocalNewsServer server(with_manifest_mode("newer-version"));

    const CheckRun run = run_check({closed_port_url(), manifest_url(server.fallback_origin())});

    ASSERT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    EXPECT_EQ(std::get<NewerRelease>(run.outcome).manifest.download_url,
              server.fallback_origin() + "/ota/packages/papyr.zip");
    ASSERT_EQ(run.log.size(), 3U);
    EXPECT_EQ(run.log[1], kUnreachableLine);
}

TEST(UpdateCheckLive, AnEmptyAnswerCountsAsUnreachable) {
    LocalNewsServer server(with_manifest_mode("newer-version"));
    server.set_fault("empty", "manifest", 1);

    const CheckRun run =
        run_check({manifest_url(server.origin()), manifest_url(server.fallback_origin())});

    EXPECT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    EXPECT_EQ(server.requests(),
              (std::vector<std::string>{"GET /ota/papyr.json", "GET /ota/papyr.json"}));
    EXPECT_EQ(run.log[1], kUnreachableLine);
}

TEST(UpdateCheckLive, BothEndpointsDownLeavesOnlyTheTwoLines) {
    const std::string primary = closed_port_url();
    const CheckRun run = run_check({primary, closed_port_url()});

    EXPECT_TRUE(std::holds_alternative<Unreachable>(run.outcome));
    EXPECT_EQ(run.log, (std::vector<std::string>{"[OTA] Checking for updates from: " + primary,
                                                 kUnreachableLine}));
}

TEST(UpdateCheckLive, AnAnswerThatIsNoManifestIsNotRetriedOnTheFallback) {
    for (const char* mode : {"invalid-manifest", "not-found"}) {
        SCOPED_TRACE(mode);
        LocalNewsServer server(with_manifest_mode(mode));

        const CheckRun run =
            run_check({manifest_url(server.origin()), manifest_url(server.fallback_origin())});

        EXPECT_TRUE(std::holds_alternative<InvalidManifest>(run.outcome));
        EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /ota/papyr.json"});
        EXPECT_EQ(run.log.size(), 1U);
    }
}

}  // namespace
}  // namespace papyr
