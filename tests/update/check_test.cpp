#include "update/check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_programs.h"

// check_for_update against stand-in curl programs placed first on PATH.

namespace papyr {
namespace {

using test::FakeProgramDir;
using Calls = std::vector<std::vector<std::string>>;

const char kPrimary[] = "https://updates.invalid/ota/papyr.json";
const char kFallback[] = "http://127.0.0.1:4549/ota/papyr.json";

const std::vector<std::string> kPrimaryCall = {
    "-4", "-k", "-s", "-L", "--connect-timeout", "5", "--max-time", "10", kPrimary};
const std::vector<std::string> kFallbackCall = {
    "-4", "-k", "-s", "-L", "--connect-timeout", "3", "--max-time", "6", kFallback};

const char kNewerManifest[] =
    R"({"version":"1.0.1","name":"Papyr 1.0.1","changelog":"Sửa lỗi","download_url":"https://updates.invalid/p.zip","size_mb":12.5,"sha256":null})";
const char kSameManifest[] =
    R"({"version":"v1.0.0","name":"Papyr","changelog":"","download_url":"https://updates.invalid/p.zip"})";

struct CheckRun {
    UpdateCheckOutcome outcome;
    std::vector<std::string> log;
};

CheckRun run_check() {
    CheckRun run{Unreachable{}, {}};
    run.outcome = check_for_update([&](std::string_view line) { run.log.emplace_back(line); },
                                   {kPrimary, kFallback});
    return run;
}

// A curl that answers the primary URL with one script and the fallback with
// another; the URL is its ninth and last argument.
void add_curl(FakeProgramDir& fakes, const std::string& primary, const std::string& fallback) {
    fakes.add_recording_script(
        "curl", "case \"$9\" in\n  https:*) " + primary + " ;;\n  *) " + fallback + " ;;\nesac");
}

std::string print(const std::string& text) {
    return "printf '%s' '" + text + "'";
}

TEST(UpdateCheck, OffersANewerReleaseFromThePrimaryEndpoint) {
    FakeProgramDir fakes;
    add_curl(fakes, "echo 'curl: noise' >&2; " + print(kNewerManifest), "exit 1");

    const CheckRun run = run_check();

    ASSERT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    const OtaManifest& manifest = std::get<NewerRelease>(run.outcome).manifest;
    EXPECT_EQ(manifest, (OtaManifest{"1.0.1", "Papyr 1.0.1", "Sửa lỗi",
                                     "https://updates.invalid/p.zip", 12.5F, std::nullopt}));
    EXPECT_EQ(fakes.recorded_calls("curl"), Calls{kPrimaryCall});
    EXPECT_EQ(run.log,
              (std::vector<std::string>{"[OTA] Checking for updates from: " + std::string(kPrimary),
                                        "[OTA] Found new version: 1.0.1 (current: 1.0.0)"}));
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
        EXPECT_EQ(run.log, (std::vector<std::string>{
                               "[OTA] Checking for updates from: " + std::string(kPrimary),
                               "[OTA] Primary endpoint unreachable, checking fallback...",
                               "[OTA] App is already up to date: 1.0.0"}));
    }
}

TEST(UpdateCheck, EndsQuietlyWhenNeitherEndpointAnswers) {
    const std::vector<std::string> two_lines = {
        "[OTA] Checking for updates from: " + std::string(kPrimary),
        "[OTA] Primary endpoint unreachable, checking fallback..."};
    {
        FakeProgramDir fakes;
        add_curl(fakes, "exit 7", "exit 0");
        const CheckRun run = run_check();
        EXPECT_TRUE(std::holds_alternative<Unreachable>(run.outcome));
        EXPECT_EQ(fakes.recorded_calls("curl").size(), 2U);
        EXPECT_EQ(run.log, two_lines);
    }
    {
        FakeProgramDir no_curl(FakeProgramDir::PathMode::Replace);
        const CheckRun run = run_check();
        EXPECT_TRUE(std::holds_alternative<Unreachable>(run.outcome));
        EXPECT_EQ(run.log, two_lines);
    }
}

TEST(UpdateCheck, AnInvalidManifestEndsTheCheckWithoutTheFallback) {
    const struct {
        const char* name;
        std::string body;
    } cases[] = {
        {"an HTML error page", "<html><body>404 Not Found</body></html>"},
        {"no name", R"({"version":"9.0","changelog":"","download_url":"u"})"},
        {"name null", R"({"version":"9.0","name":null,"changelog":"","download_url":"u"})"},
        {"byte-order mark first", "\xEF\xBB\xBF" + std::string(kNewerManifest)},
        {"trailing text", std::string(kNewerManifest) + " x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProgramDir fakes;
        test::write_file(fakes.path() / "body", c.body);
        add_curl(fakes, "cat \"$(dirname \"$0\")/body\"", print(kNewerManifest));

        const CheckRun run = run_check();

        ASSERT_TRUE(std::holds_alternative<InvalidManifest>(run.outcome));
        EXPECT_FALSE(std::get<InvalidManifest>(run.outcome).error.empty());
        EXPECT_EQ(fakes.recorded_calls("curl"), Calls{kPrimaryCall});
        EXPECT_EQ(run.log, std::vector<std::string>{"[OTA] Checking for updates from: " +
                                                    std::string(kPrimary)});
    }
}

TEST(UpdateCheck, AcceptsExtraFieldsAndRepairsInvalidUtf8) {
    FakeProgramDir fakes;
    test::write_file(fakes.path() / "body",
                     "\n {\"released\":\"2025-01-02\",\"version\":\"v1.1\",\"name\":\"P\","
                     "\"changelog\":\"a\xFF"
                     "b\",\"download_url\":\"u\",\"size_mb\":12,\"extra\":[1,{}]}\n");
    add_curl(fakes, "cat \"$(dirname \"$0\")/body\"", "exit 1");

    const CheckRun run = run_check();

    ASSERT_TRUE(std::holds_alternative<NewerRelease>(run.outcome));
    const OtaManifest& manifest = std::get<NewerRelease>(run.outcome).manifest;
    EXPECT_EQ(manifest.changelog,
              "a\uFFFD"
              "b");
    EXPECT_EQ(manifest.size_mb, 12.0F);
    // The version is named as received.
    EXPECT_EQ(run.log.back(), "[OTA] Found new version: v1.1 (current: 1.0.0)");
}

}  // namespace
}  // namespace papyr
