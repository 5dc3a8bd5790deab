#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "news_api/process.h"
#include "support/news_server.h"
#include "support/temp.h"
#include "update/check.h"
#include "update/closed_port.h"
#include "update/install.h"

// The whole update against the stand-in server with the real curl,
// sha256sum, unzip and chmod: a release package made by
// packaging/make-release.sh, offered by the manifest, downloaded, checked and
// unpacked into a temporary installation folder.

namespace papyr {
namespace {

namespace fs = std::filesystem;
using test::LocalNewsServer;
using test::NewsServerOptions;
using test::TempDir;

const char kNewProgram[] = "#!/bin/sh\necho 'Papyr 1.0.1'\n";

bool is_executable(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IXUSR) != 0;
}

class InstallUpdateLive : public ::testing::Test {
  protected:
    InstallUpdateLive() {
        fs::create_directories(root_ / "packages");
        fs::create_directories(root_ / "app" / "bin");
        test::write_file(root_ / "app" / "bin" / "papyr-native64", "old program");
        test::write_file(root_ / "app" / "keep.txt", "not in the package");
        paths_.app_dir = (root_ / "app").string();
        paths_.package = (root_ / "papyr-update.zip").string();
        build_release();
    }

    void build_release() {
        const fs::path program = root_ / "program";
        test::write_file(program, kNewProgram);
        const fs::path script = fs::path(PAPYR_SOURCE_DIR) / "packaging" / "make-release.sh";
        const ProcessOutcome made =
            run_process("sh",
                        {script.string(), "--executable", program.string(), "--output",
                         (root_ / "packages" / "papyr.zip").string()},
                        {StreamMode::Discard, StreamMode::Capture});
        const auto* ended = std::get_if<ProcessExit>(&made);
        ASSERT_TRUE(ended != nullptr && ended->succeeded())
            << (ended ? ended->stderr_bytes : "sh not started");
    }

    // Starts the server in the given manifest mode and returns the request
    // the program would make from the offered manifest.
    InstallRequest offer(const std::string& manifest_mode) {
        NewsServerOptions options;
        options.extra_arguments = {"--packages", (root_ / "packages").string(), "--route-fault",
                                   "manifest=" + manifest_mode};
        server_.emplace(options);
        UpdateCheckOutcome checked = check_for_update(
            [](std::string_view) {}, {server_->origin() + "/ota/papyr.json",
                                      test::closed_port_url("http", "/ota/papyr.json")});
        const auto* newer = std::get_if<NewerRelease>(&checked);
        if (newer == nullptr) {
            ADD_FAILURE() << "no newer release offered";
            return {};
        }
        return install_request_for(newer->manifest);
    }

    Result<void> install(const InstallRequest& request) {
        return install_update(
            request, [&](std::string_view line) { log_.emplace_back(line); }, paths_);
    }

    bool logged(const std::string& prefix) const {
        for (const std::string& line : log_) {
            if (line.starts_with(prefix))
                return true;
        }
        return false;
    }

    void expect_old_installation_untouched() const {
        EXPECT_EQ(test::read_file(root_ / "app" / "bin" / "papyr-native64"), "old program");
        EXPECT_FALSE(fs::exists(root_ / "app" / "launch.sh"));
    }

    TempDir root_;
    InstallPaths paths_;
    std::optional<LocalNewsServer> server_;
    std::vector<std::string> log_;
};

TEST_F(InstallUpdateLive, InstallsTheOfferedReleaseOverTheInstallation) {
    const InstallRequest request = offer("newer-version");
    ASSERT_TRUE(request.sha256.has_value());

    const Result<void> installed = install(request);

    ASSERT_TRUE(installed.has_value()) << installed.error();
    const fs::path app = root_ / "app";
    EXPECT_EQ(test::read_file(app / "bin" / "papyr-native64"), kNewProgram);
    EXPECT_TRUE(is_executable(app / "bin" / "papyr-native64"));
    EXPECT_TRUE(is_executable(app / "launch.sh"));
    EXPECT_NE(test::read_file(app / "config.json").find("\"launch\": \"launch.sh\""),
              std::string::npos);
    EXPECT_EQ(test::read_file(app / "icon.png").substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_EQ(test::read_file(app / "keep.txt"), "not in the package");
    EXPECT_FALSE(fs::exists(paths_.package));
    EXPECT_EQ(server_->requests(),
              (std::vector<std::string>{"GET /ota/papyr.json", "GET /ota/packages/papyr.zip"}));
}

TEST_F(InstallUpdateLive, AnErrorPageSavedAsThePackageFailsToUnpack) {
    const InstallRequest request = offer("no-checksum");
    server_->set_fault("not-found", "package");

    const Result<void> installed = install(request);

    ASSERT_FALSE(installed.has_value());
    EXPECT_EQ(installed.error(), "Failed to extract update package");
    EXPECT_TRUE(logged("[OTA] Download completed. Extracting to: " + paths_.app_dir));
    EXPECT_FALSE(fs::exists(paths_.package));
    expect_old_installation_untouched();
}

TEST_F(InstallUpdateLive, APackageThatDoesNotMatchItsChecksumIsNotUnpacked) {
    const InstallRequest request = offer("bad-checksum");

    const Result<void> installed = install(request);

    ASSERT_FALSE(installed.has_value());
    EXPECT_EQ(installed.error(), "Failed to download update package");
    EXPECT_TRUE(logged("[OTA] Package checksum mismatch: expected " + *request.sha256 + ", got "));
    EXPECT_FALSE(logged("[OTA] Download completed"));
    EXPECT_FALSE(fs::exists(paths_.package));
    expect_old_installation_untouched();
}

}  // namespace
}  // namespace papyr
