// A recorded frame knows the rows each of its operations writes: the row
// plan relies on it to draw every row a change touches.

#include "graphics/draw_list.h"

#include <gtest/gtest.h>

#include "graphics/glyph_cache.h"

namespace papyr {
namespace {

constexpr std::uint32_t kGarbage = 0xFF5A0A5A;

GlyphCache& glyphs() {
    static GlyphCache cache(Font::embedded());
    return cache;
}

TEST(DrawList, TextRowsHoldEveryPixelItsGlyphsWriteAndNoMoreThanTheirBoxes) {
    constexpr std::size_t kWidth = 600;  // no glyph is cut off at the side
    constexpr std::size_t kHeight = 90;
    const struct {
        const char* text;
        float size;
        int y;
    } lines[] = {
        {"ĐƯỜNG ỐNG NƯỚC SẠCH ĐÃ VỀ", 22, 20},  // stacked marks above the capitals
        {"gjpqy — ạ ự ỵ", 14, 40},              // descenders and marks below
        {"\xF0\x9F\x9A\x80 x", 30, 30},         // the missing-glyph box
        {"Tiến độ", 16, -8},                    // partly above the surface
        {"Tiến độ", 16, 80},                    // partly below it
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.text);
        Framebuffer surface = Framebuffer::in_memory(kWidth, kHeight);
        TextRenderer text(glyphs(), surface);
        surface.fill(kGarbage);
        DrawList list(kWidth, kHeight, text);
        list.draw_text(line.text, 2, line.y, 0xFF000000, line.size);
        list.draw_text("", 2, 10, 0xFF000000, 14);      // writes nothing: left out
        list.draw_text("   ", 2, 10, 0xFF000000, 14);   // nor do blanks
        list.draw_text("chữ", 2, 200, 0xFF000000, 14);  // nor a line below the surface
        ASSERT_EQ(list.ops().size(), 1u);
        list.replay(surface, text, {0, kHeight});
        std::size_t first = kHeight;
        std::size_t last = 0;
        for (std::size_t y = 0; y < kHeight; ++y) {
            for (std::size_t x = 0; x < kWidth; ++x) {
                if (surface.pixels()[y * kWidth + x] != kGarbage) {
                    first = std::min(first, y);
                    last = std::max(last, y + 1);
                }
            }
        }
        const RowSpan rows = list.ops()[0].rows;
        ASSERT_LT(first, last);
        EXPECT_LE(rows.begin, first);
        EXPECT_GE(rows.end, last);
        // Glyph boxes, not a guess: at most a row of box beyond the ink.
        EXPECT_GE(rows.begin + 1, first);
        EXPECT_LE(rows.end, last + 1);
    }
}

}  // namespace
}  // namespace papyr
