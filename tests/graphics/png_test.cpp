#include "graphics/png.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/png_read.h"
#include "support/temp.h"

namespace papyr {
namespace {

TEST(Png, RoundTripsEveryPixelValueExactly) {
    test::TempDir dir;
    const std::vector<std::uint32_t> pixels = {0xFF0F0F0F, 0xFFE65100, 0x00FFFFFF,
                                               0x80123456, 0xFF000000, 0x7FFEDCBA};
    ASSERT_TRUE(write_png(dir / "shot.png", 3, 2, pixels));
    const Result<test::Image> image = test::read_png(dir / "shot.png");
    ASSERT_TRUE(image.has_value()) << image.error();
    EXPECT_EQ(image->width, 3u);
    EXPECT_EQ(image->height, 2u);
    EXPECT_EQ(image->pixels, pixels);
}

TEST(Png, ReplacesAnOldFileWholeAndLeavesNoTemporaryBehind) {
    test::TempDir dir;
    test::write_file(dir / "shot.png", "an older snapshot");
    ASSERT_TRUE(write_png(dir / "shot.png", 1, 1, std::vector<std::uint32_t>{0xFFF6F2E8}));
    ASSERT_TRUE(test::read_png(dir / "shot.png").has_value());
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST(Png, ReportsWhatCannotBeWritten) {
    test::TempDir dir;
    const Result<void> missing_folder =
        write_png(dir / "no" / "shot.png", 1, 1, std::vector<std::uint32_t>{0xFF000000});
    ASSERT_FALSE(missing_folder);
    EXPECT_NE(missing_folder.error().find("No such file or directory"), std::string::npos)
        << missing_folder.error();
    EXPECT_FALSE(write_png(dir / "shot.png", 2, 2, std::vector<std::uint32_t>(3)));
    EXPECT_FALSE(std::filesystem::exists(dir / "shot.png"));
}

}  // namespace
}  // namespace papyr
