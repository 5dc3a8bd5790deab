#include "graphics/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "graphics/embedded_font.h"
#include "support/temp.h"

namespace papyr {
namespace {

const std::string kAssetPath = std::string(PAPYR_SOURCE_DIR) + "/assets/DejaVuSans-Bold.ttf";

std::vector<char32_t> code_points(std::string_view text) {
    std::vector<char32_t> out;
    for_each_code_point(text, [&](char32_t c) { out.push_back(c); });
    return out;
}

TEST(Font, TheEmbeddedBytesAreTheCommittedAsset) {
    const std::string asset = test::read_file(kAssetPath);
    ASSERT_EQ(asset.size(), 708920u);
    ASSERT_EQ(kEmbeddedFontSize, asset.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(kEmbeddedFont), kEmbeddedFontSize), asset);
}

TEST(Font, HasEveryInterfaceSymbolAndVietnameseLetterButNotTheTwoEmoji) {
    const Font& font = Font::embedded();
    EXPECT_EQ(font.glyph_index(U'\U0001F319'), 0u);  // crescent moon
    EXPECT_EQ(font.glyph_index(U'\U0001F680'), 0u);  // rocket
    for (const char32_t symbol : code_points("☀☕⬆★☆◄►▲▼•—")) {
        EXPECT_NE(font.glyph_index(symbol), 0u) << "U+" << std::hex << std::uint32_t(symbol);
    }
    // Twelve vowels with no tone and the five tones, and đ: 73 letters per case.
    const std::string lower =
        "aàáảãạăằắẳẵặâầấẩẫậeèéẻẽẹêềếểễệiìíỉĩịoòóỏõọôồốổỗộơờớởỡợuùúủũụưừứửữựyỳýỷỹỵđ";
    const std::string upper =
        "AÀÁẢÃẠĂẰẮẲẴẶÂẦẤẨẪẬEÈÉẺẼẸÊỀẾỂỄỆIÌÍỈĨỊOÒÓỎÕỌÔỒỐỔỖỘƠỜỚỞỠỢUÙÚỦŨỤƯỪỨỬỮỰYỲÝỶỸỴĐ";
    for (const std::string& letters : {lower, upper}) {
        const std::vector<char32_t> all = code_points(letters);
        ASSERT_EQ(all.size(), 73u);
        std::set<std::uint32_t> glyphs;
        for (const char32_t letter : all) {
            const std::uint32_t glyph = font.glyph_index(letter);
            EXPECT_NE(glyph, 0u) << "U+" << std::hex << std::uint32_t(letter);
            glyphs.insert(glyph);
        }
        EXPECT_EQ(glyphs.size(), 73u) << "each letter has a glyph of its own";
    }
}

TEST(Font, ScalesBySizeOverUnitsPerEm) {
    // From the font's own tables: 2048 units per em; 'H' advances 1714
    // units, the space 713. Scaling by ascent minus descent instead (2384
    // units) would give other widths.
    const Font& font = Font::embedded();
    const std::uint32_t h = font.glyph_index(U'H');
    EXPECT_EQ(font.advance_width(h, 2048.0f), 1714.0f);
    EXPECT_EQ(font.advance_width(h, 20.0f), 16.73828125f);  // 1714 × 20 / 2048, exact in binary
    EXPECT_EQ(font.advance_width(font.glyph_index(U' '), 1024.0f), 356.5f);
}

TEST(Font, GlyphBitmapsMatchTheirMetrics) {
    const Font& font = Font::embedded();
    const Glyph h = font.rasterize(font.glyph_index(U'H'), 36.0f);
    EXPECT_EQ(h.coverage.size(), h.metrics.width * h.metrics.height);
    // The outline of 'H' spans x 188 to 1526 and y 0 to 1493 font units;
    // at 36 / 2048 pixels per unit its pixel box is columns 3 to 26 and the
    // 27 rows above the baseline.
    EXPECT_EQ(h.metrics.xmin, 3);
    EXPECT_EQ(h.metrics.width, 24u);
    EXPECT_EQ(h.metrics.ymin, 0);
    EXPECT_EQ(h.metrics.height, 27u);
    EXPECT_NE(std::count(h.coverage.begin(), h.coverage.end(), 255), 0);

    const Glyph p = font.rasterize(font.glyph_index(U'p'), 36.0f);
    EXPECT_LT(p.metrics.ymin, 0) << "a descender reaches below the baseline";

    const GlyphMetrics metrics = font.metrics(font.glyph_index(U'p'), 36.0f);
    EXPECT_EQ(metrics.xmin, p.metrics.xmin);
    EXPECT_EQ(metrics.ymin, p.metrics.ymin);
    EXPECT_EQ(metrics.width, p.metrics.width);
    EXPECT_EQ(metrics.height, p.metrics.height);
}

TEST(Font, ParsesTheAssetFromBytesAndRejectsWhatIsNoFont) {
    const std::string asset = test::read_file(kAssetPath);
    const auto bytes = [](const std::string& s, std::size_t n) {
        return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), n);
    };
    const Result<Font> parsed = Font::from_bytes(bytes(asset, asset.size()));
    ASSERT_TRUE(parsed.has_value()) << parsed.error();
    EXPECT_EQ(parsed->glyph_index(U'ộ'), Font::embedded().glyph_index(U'ộ'));

    const std::string garbage = "<html><body>502 Bad Gateway</body></html>";
    EXPECT_EQ(Font::from_bytes(bytes(garbage, 0)).error(), "the data is too short to be a font");
    EXPECT_EQ(Font::from_bytes(bytes(garbage, garbage.size())).error(),
              "the data is not a TrueType font or collection");
    EXPECT_EQ(Font::from_bytes(bytes(asset, 100)).error(), "the table directory is truncated");
    EXPECT_EQ(Font::from_bytes(bytes(asset, 4000)).error(),
              "a font table lies past the end of the data");
}

}  // namespace
}  // namespace papyr
