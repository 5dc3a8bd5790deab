#include "update/install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/fake_programs.h"
#include "support/temp.h"

// install_update against stand-in curl, sha256sum, unzip and chmod programs,
// and install_folder with its paths moved into a temporary folder.

namespace papyr {
namespace {

namespace fs = std::filesystem;
using test::FakeProgramDir;
using test::TempDir;
using Calls = std::vector<std::vector<std::string>>;

const char kUrl[] = "https://updates.invalid/ota/packages/papyr 1.0.1.zip";
// What the fake sha256sum reports for the downloaded package.
const char kPackageSum[] = "3e7b6a9b5b3b4d4c6c3f2b1a0e9d8c7b6a5f4e3d2c1b0a9f8e7d6c5b4a3f2e1d";

class InstallUpdate : public ::testing::Test {
  protected:
    InstallUpdate() {
        paths_.app_dir = (root_ / "app").string();
        paths_.package = (root_ / "papyr-update.zip").string();
        paths_.executable_link = (root_ / "exe").string();
        fs::create_directory(paths_.app_dir);
        // Every fake notes its name in one journal, so the order across
        // programs can be checked.
        add("curl", "printf 'PK\\n' > \"${10}\"");
        add("sha256sum", std::string("echo '") + kPackageSum + "  '\"$1\"");
        add("unzip", ":");
        add("chmod", ":");
    }

    void add(const std::string& name, const std::string& body) {
        fakes_.add_recording_script(name, "echo " + name + " >> '" + journal_path() + "'\n" + body);
    }

    Result<void> install(std::optional<std::string> sha256 = std::nullopt) {
        return install_update(
            {kUrl, std::move(sha256)}, [&](std::string_view line) { log_.emplace_back(line); },
            paths_);
    }

    std::string journal_path() const { return (root_ / "journal").string(); }
    std::string journal() const {
        return fs::exists(journal_path()) ? test::read_file(journal_path()) : std::string();
    }
    bool package_exists() const { return fs::exists(paths_.package); }

    std::vector<std::string> expected_log_until_extraction() const {
        return {std::string("[OTA] Starting download from: ") + kUrl,
                "[OTA] Download completed. Extracting to: " + paths_.app_dir};
    }

    TempDir root_;
    FakeProgramDir fakes_;
    InstallPaths paths_;
    std::vector<std::string> log_;
};

TEST_F(InstallUpdate, DownloadsUnpacksAndMarksTheProgramExecutable) {
    const Result<void> installed = install();

    ASSERT_TRUE(installed.has_value()) << installed.error();
    EXPECT_EQ(fakes_.recorded_calls("curl"),
              (Calls{{"-4", "-k", "-s", "-L", "--connect-timeout", "10", "--max-time", "120", "-o",
                      paths_.package, kUrl}}));
    EXPECT_EQ(fakes_.recorded_calls("unzip"),
              (Calls{{"-o", paths_.package, "-d", paths_.app_dir}}));
    EXPECT_EQ(fakes_.recorded_calls("chmod"), (Calls{{"+x", paths_.app_dir + "/bin/papyr-native64"},
                                                     {"+x", paths_.app_dir + "/launch.sh"}}));
    EXPECT_EQ(journal(), "curl\nunzip\nchmod\nchmod\n");  // no checksum without one to compare
    EXPECT_FALSE(package_exists());
    std::vector<std::string> expected = expected_log_until_extraction();
    expected.push_back("[OTA] Update successfully applied! Restarting Papyr...");
    EXPECT_EQ(log_, expected);
}

TEST_F(InstallUpdate, AFailedDownloadStopsBeforeUnpacking) {
    // A stale package must be gone before curl runs.
    test::write_file(paths_.package, "stale");
    add("curl", "[ -e \"${10}\" ] && echo stale-package-seen >> '" + journal_path() +
                    "'\nprintf 'PK' > \"${10}\"; exit 28");

    const Result<void> installed = install();

    ASSERT_FALSE(installed.has_value());
    EXPECT_EQ(installed.error(), "Failed to download update package");
    EXPECT_EQ(journal(), "curl\n");
    // What curl left is not cleaned up.
    EXPECT_EQ(test::read_file(paths_.package), "PK");
    EXPECT_EQ(log_, std::vector<std::string>{std::string("[OTA] Starting download from: ") + kUrl});
}

TEST_F(InstallUpdate, ProgramsThatCannotBeStartedFailTheirStep) {
    {
        FakeProgramDir no_curl(FakeProgramDir::PathMode::Replace);
        const Result<void> installed = install();
        ASSERT_FALSE(installed.has_value());
        EXPECT_EQ(installed.error(), "Failed to download update package");
    }
    {
        FakeProgramDir no_unzip(FakeProgramDir::PathMode::Replace);
        no_unzip.add_script("curl", "printf 'PK' > \"${10}\"");
        const Result<void> installed = install();
        ASSERT_FALSE(installed.has_value());
        EXPECT_EQ(installed.error(), "Failed to extract update package");
        EXPECT_FALSE(package_exists());
    }
}

TEST_F(InstallUpdate, AFailedUnpackDeletesThePackageAndSkipsChmod) {
    add("unzip", "[ -e \"$2\" ] || exit 99; exit 9");

    const Result<void> installed = install();

    ASSERT_FALSE(installed.has_value());
    EXPECT_EQ(installed.error(), "Failed to extract update package");
    EXPECT_EQ(journal(), "curl\nunzip\n");
    EXPECT_FALSE(package_exists());
    EXPECT_EQ(log_, expected_log_until_extraction());
}

TEST_F(InstallUpdate, FailingChmodDoesNotFailTheInstall) {
    add("chmod", "exit 1");
    EXPECT_TRUE(install().has_value());
    EXPECT_EQ(fakes_.recorded_calls("chmod").size(), 2U);
}

TEST_F(InstallUpdate, AMatchingChecksumInAnyLetterCaseLetsThePackageThrough) {
    std::string upper = kPackageSum;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    const Result<void> installed = install(upper);

    ASSERT_TRUE(installed.has_value()) << installed.error();
    EXPECT_EQ(fakes_.recorded_calls("sha256sum"), (Calls{{paths_.package}}));
    EXPECT_EQ(journal(), "curl\nsha256sum\nunzip\nchmod\nchmod\n");
}

TEST_F(InstallUpdate, AnEscapedFileNameDoesNotHideTheChecksum) {
    // sha256sum marks a line whose file name it had to escape with a backslash.
    add("sha256sum", std::string("printf '%s\\n' '\\") + kPackageSum + "  a\\\\nb'");
    EXPECT_TRUE(install(kPackageSum).has_value());
}

TEST_F(InstallUpdate, APackageThatCannotBeVerifiedIsNeverUnpacked) {
    const std::string wrong(64, 'a');
    const struct {
        const char* name;
        std::string sha256sum;  // empty: the program is missing
        std::string expected;
        std::string line;
    } cases[] = {
        {"mismatch", "echo '" + std::string(kPackageSum) + "  x'", wrong,
         "[OTA] Package checksum mismatch: expected " + wrong + ", got " + kPackageSum},
        {"empty manifest value", "echo '" + std::string(kPackageSum) + "  x'", "",
         "[OTA] Package checksum mismatch: expected , got " + std::string(kPackageSum)},
        {"missing program", "", kPackageSum,
         "[OTA] Cannot verify package checksum: sha256sum could not be started: "
         "No such file or directory (os error 2)"},
        {"failing program", "exit 1", kPackageSum,
         "[OTA] Cannot verify package checksum: sha256sum exited with status 1"},
        {"killed program", "kill -KILL $$", kPackageSum,
         "[OTA] Cannot verify package checksum: sha256sum was ended by signal 9"},
        {"no output", ":", kPackageSum,
         "[OTA] Cannot verify package checksum: sha256sum printed no checksum"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProgramDir only(FakeProgramDir::PathMode::Replace);
        only.add_script("curl", "printf 'PK\\n' > \"${10}\"");
        only.add_recording_script("unzip", ":");
        if (!c.sha256sum.empty())
            only.add_script("sha256sum", c.sha256sum);
        log_.clear();

        const Result<void> installed = install(c.expected);

        ASSERT_FALSE(installed.has_value());
        EXPECT_EQ(installed.error(), "Failed to download update package");
        EXPECT_TRUE(only.recorded_calls("unzip").empty());
        EXPECT_FALSE(package_exists());
        EXPECT_EQ(log_, (std::vector<std::string>{
                            std::string("[OTA] Starting download from: ") + kUrl, c.line}));
    }
}

TEST_F(InstallUpdate, UnpacksNextToTheExecutableWhenTheAppFolderIsAbsent) {
    fs::remove(paths_.app_dir);
    const fs::path installation = root_.path() / "opt" / "app";
    fs::create_symlink(installation / "bin" / "program", paths_.executable_link);

    ASSERT_TRUE(install().has_value());
    EXPECT_EQ(fakes_.recorded_calls("unzip"),
              (Calls{{"-o", paths_.package, "-d", installation.string()}}));
    EXPECT_EQ(fakes_.recorded_calls("chmod").at(0),
              (std::vector<std::string>{"+x", installation.string() + "/bin/papyr-native64"}));
}

TEST(InstallFolder, PrefersTheAppFolderThenTheExecutablesGrandparent) {
    const struct {
        const char* name;
        bool app_dir_exists;
        std::optional<std::string> executable;  // where the link points; absent: no link
        std::optional<std::string> folder;      // absent: the app folder
    } cases[] = {
        {"app folder present", true, "/opt/app/bin/program", std::nullopt},
        {"executable two levels down", false, "/opt/app/bin/program", "/opt/app"},
        {"trailing and doubled slashes", false, "/opt//app//bin/program/", "/opt//app"},
        {"executable in a top-level folder", false, "/bin/program", "/"},
        {"no grandparent", false, "/program", std::nullopt},
        {"relative path", false, "bin/program", std::nullopt},
        {"executable unknown", false, std::nullopt, std::nullopt},
        {"invalid UTF-8 replaced", false, "/opt/a\xFFz/bin/program", "/opt/a\uFFFDz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir root;
        InstallPaths paths;
        paths.app_dir = (root / "app").string();
        paths.executable_link = (root / "exe").string();
        if (c.app_dir_exists)
            test::write_file(paths.app_dir, "any kind of file counts");
        if (c.executable)
            fs::create_symlink(*c.executable, paths.executable_link);

        EXPECT_EQ(install_folder(paths), c.folder.value_or(paths.app_dir));
    }
}

TEST(InstallFolder, FindsTheRunningExecutableByDefault) {
    const TempDir root;
    InstallPaths paths;
    paths.app_dir = (root / "absent").string();
    // This test program lives in <build>/tests/.
    EXPECT_EQ(fs::path(install_folder(paths)), fs::path(PAPYR_BINARY_DIR));
}

}  // namespace
}  // namespace papyr
