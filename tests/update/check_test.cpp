#include "update/check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_programs.h"
#include "support/news_server.h"

// check_for_update against stand-in curl programs placed first on PATH, and
// once with the real curl against the stand-in server.

namespace papyr {
namespace {

using test::FakeProgramDir;
using Calls = std::vector<std::vector<std::string>>;
using Lines = std::vector<std::string>;

const char kPrimary[] = "https://updates.invalid/ota/papyr.json";
const char kFallback[] = "http://127.0.0.1:4549/ota/papyr.json";

const std::vector<std::string> kPrimaryCall = {
    "-4", "-k", "-s", "-L", "--connect-timeout", "5", "--max-time", "10", kPrimary};
const std::vector<std::string> kFallbackCall = {
    "-4", "-k", "-s", "-L", "--connect-timeout", "3", "--max-time", "6", kFallback};

const std::string kChecking = "[OTA] Checking for updates from: " + std::string(kPrimary);
const char kUnreachable[] = "[OTA] Primary endpoint unreachable, checking fallback...";

const char kNewerManifest[] =
    R"({"version":"1.0.1","name":"Papyr 1.0.1","changelog":"Sửa lỗi","download_url":"https://updates.invalid/p.zip","size_mb":12.5,"sha256":null})";
const char kSameManifest[] =
    R"({"version":"v1.0.0","name":"Papyr","changelog":"","download_url":"https://updates.invalid/p.zip"})";

struct CheckRun {
    UpdateCheckOutcome outcome;
    Lines log;
};

CheckRun run_check(const ManifestEndpoints& endpoints = {kPrimary, kFallback}) {
    CheckRun run{Unreachable{}, {}};
    run.outcome =
        check_for_update([&](std::string_view line) { run.log.emplace_back(line); }, endpoints);
    return run;
}

// A curl that answers the primary URL with one script and the fallback with
// another; the URL is its ninth and last argument.
void add_curl(FakeProgramDir& fakes, const std::string& primary, const std::string& fallback) {
    fakes.add_recording_script(
        "curl", "case \"$9\" in\n  https:*) " + primary + " ;;\n  *) " + fallback + " ;;\nesac");
}

// A curl whose primary answer is exactly `body`.
void add_curl_answering(FakeProgramDir& fakes, const std::string& body,
                        const std::string& fallback) {
    test::write_file(fakes.path() / "body", body);
    add_curl(fakes, "cat \"$(dirname \"$0\")/body\"", fallback);
}

std::string print(const std::string& text) {
    return "printf '%s' '" + text + "'";
}

TEST(UpdateCheck, OffersANewerReleaseFromThePrimaryEndpoint) {
    FakeProgramDir fakes;
    add_curl(fakes, "echo 'curl: noise' >&2; " + print(kNewerManifest), "exit 1");

    const CheckRun run = run_check();

    ASSERT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    EXPECT_EQ(std::get<NewerRelease>(run.outcome).manifest,
              (OtaManifest{"1.0.1", "Papyr 1.0.1", "Sửa lỗi", "https://updates.invalid/p.zip",
                           12.5F, std::nullopt}));
    EXPECT_EQ(fakes.recorded_calls("curl"), Calls{kPrimaryCall});
    EXPECT_EQ(run.log, (Lines{kChecking, "[OTA] Found new version: 1.0.1 (current: 1.0.0)"}));
}

TEST(UpdateCheck, AsksTheFallbackWhenThePrimaryGivesNoAnswer) {
    const struct {
        const char* name;
        std::string primary;
    } cases[] = {
        {"connection refused", "exit 7"},
        {"time-out after part of a body", "printf '{\"vers'; exit 28"},
        {"ended by a signal", "kill -KILL $$"},
        {"empty body with exit 0", "exit 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProgramDir fakes;
        add_curl(fakes, c.primary, print(kSameManifest));

        const CheckRun run = run_check();

        EXPECT_TRUE(std::holds_alternative<UpToDate>(run.outcome));
        EXPECT_EQ(fakes.recorded_calls("curl"), (Calls{kPrimaryCall, kFallbackCall}));
        // The running version is named, not the received "v1.0.0".
        EXPECT_EQ(run.log,
                  (Lines{kChecking, kUnreachable, "[OTA] App is already up to date: 1.0.0"}));
    }
}

TEST(UpdateCheck, EndsQuietlyWhenNeitherEndpointAnswers) {
    {
        FakeProgramDir fakes;
        add_curl(fakes, "exit 7", "exit 0");
        const CheckRun run = run_check();
        EXPECT_TRUE(std::holds_alternative<Unreachable>(run.outcome));
        EXPECT_EQ(fakes.recorded_calls("curl").size(), 2U);
        EXPECT_EQ(run.log, (Lines{kChecking, kUnreachable}));
    }
    {
        FakeProgramDir no_curl(FakeProgramDir::PathMode::Replace);
        const CheckRun run = run_check();
        EXPECT_TRUE(std::holds_alternative<Unreachable>(run.outcome));
        EXPECT_EQ(run.log, (Lines{kChecking, kUnreachable}));
    }
}

// The decoder's own rules are tested with the JSON reader; here only that
// its verdict ends the check, and that nothing (not even a byte-order mark)
// is stripped before it.
TEST(UpdateCheck, AnInvalidManifestEndsTheCheckWithoutTheFallback) {
    for (const std::string& body : {std::string("<html><body>404 Not Found</body></html>"),
                                    "\xEF\xBB\xBF" + std::string(kNewerManifest)}) {
        SCOPED_TRACE(body);
        FakeProgramDir fakes;
        add_curl_answering(fakes, body, print(kNewerManifest));

        const CheckRun run = run_check();

        EXPECT_TRUE(std::holds_alternative<InvalidManifest>(run.outcome));
        EXPECT_EQ(fakes.recorded_calls("curl"), Calls{kPrimaryCall});
        EXPECT_EQ(run.log, Lines{kChecking});
    }
}

TEST(UpdateCheck, RepairsInvalidUtf8AndNamesTheVersionAsReceived) {
    FakeProgramDir fakes;
    add_curl_answering(fakes,
                       "\n {\"version\":\"v1.1\",\"name\":\"P\",\"changelog\":\"a\xFF"
                       "b\",\"download_url\":\"u\"}\n",
                       "exit 1");

    const CheckRun run = run_check();

    ASSERT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    EXPECT_EQ(std::get<NewerRelease>(run.outcome).manifest.changelog,
              "a\uFFFD"
              "b");
    EXPECT_EQ(run.log.back(), "[OTA] Found new version: v1.1 (current: 1.0.0)");
}

// With the real curl, an HTTP error page is an answer like any other: it is
// not a reason to ask the fallback.
TEST(UpdateCheck, TheRealCurlTakesAnErrorPageAsAnAnswer) {
    for (const char* mode : {"invalid-manifest", "not-found"}) {
        SCOPED_TRACE(mode);
        test::NewsServerOptions options;
        options.extra_arguments = {"--fallback-port", "0", "--route-fault",
                                   std::string("manifest=") + mode};
        test::LocalNewsServer server(options);

        const CheckRun run = run_check(
            {server.origin() + "/ota/papyr.json", server.fallback_origin() + "/ota/papyr.json"});

        EXPECT_TRUE(std::holds_alternative<InvalidManifest>(run.outcome));
        EXPECT_EQ(server.requests(), Lines{"GET /ota/papyr.json"});
    }
}

}  // namespace
}  // namespace papyr
