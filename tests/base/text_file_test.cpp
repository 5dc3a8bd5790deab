#include "base/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp.h"

namespace papyr {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

std::size_t entries_in(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(ReadTextFile, GivesNothingForWhatCannotBeReadAsUtf8) {
    test::TempDir dir;
    write_file(dir / "ok", "Tiếng Việt\n");
    write_file(dir / "bad", "ab\xc3");
    fs::create_directory(dir / "folder");

    EXPECT_EQ(read_text_file(dir / "ok"), "Tiếng Việt\n");
    EXPECT_EQ(read_text_file(dir / "missing"), std::nullopt);
    EXPECT_EQ(read_text_file(dir / "bad"), std::nullopt);
    EXPECT_EQ(read_text_file(dir / "folder"), std::nullopt);
}

TEST(ReplaceFile, CreatesOrReplacesTheWholeContentAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const mode_t old_mask = ::umask(027);
    EXPECT_TRUE(replace_file(dir / "f.json", "first, and longer"));
    ::umask(old_mask);
    EXPECT_EQ(fs::status(dir / "f.json").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    EXPECT_TRUE(replace_file(dir / "f.json", "second"));
    EXPECT_EQ(read_file(dir / "f.json"), "second");
    EXPECT_EQ(entries_in(dir.path()), 1U);
}

TEST(ReplaceFile, FailsWithoutTouchingAnythingWhenTheTargetCannotBeReplaced) {
    test::TempDir dir;
    // A folder that holds something cannot be renamed over.
    fs::create_directories(dir / "f.json/inside");
    EXPECT_FALSE(replace_file(dir / "f.json", "new"));
    EXPECT_TRUE(fs::is_directory(dir / "f.json/inside"));
    EXPECT_EQ(entries_in(dir.path()), 1U);

    EXPECT_FALSE(replace_file(dir / "missing-folder/f.json", "new"));
    EXPECT_EQ(entries_in(dir.path()), 1U);
}

}  // namespace
}  // namespace papyr
