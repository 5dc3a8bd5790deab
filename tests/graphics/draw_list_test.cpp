// A recorded frame replays as the same calls draw directly, in whole or in
// any rows, and knows which rows each of its operations writes.

#include "graphics/draw_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "graphics/glyph_cache.h"

namespace papyr {
namespace {

constexpr std::size_t kWidth = 160;
constexpr std::size_t kHeight = 90;
constexpr std::uint32_t kGarbage = 0xFF5A0A5A;

GlyphCache& glyphs() {
    static GlyphCache cache(Font::embedded());
    return cache;
}

std::vector<std::uint32_t> pixels_of(const Framebuffer& surface) {
    return {surface.pixels().begin(), surface.pixels().end()};
}

// The same drawing, given either as direct calls or as calls recorded: a
// screen, then a darkened panel over it. The panel's box is covered while
// the screen is drawn but its rounded corners are not painted, so the
// pixels there show whether the covered rectangle was in force.
template <class Target>
void screen(Target& target) {
    target.fill(0xFFF6F2E8);
    target.fill_rect(0, 0, 160, 20, 0xFFE8E0CE);
    target.hline(0, 19, 160, 0xFFD6CABA);
    target.fill_rounded_rect(10, 26, 120, 40, 8, 0xFFEFE8D8);
    target.draw_text("Đường ống nước sạch", 14, 30, 0xFF1C1917, 14);
    target.draw_badge("Cỡ chữ: 125%", 90, 2, 0xFF0D9488, 0xFFFFFFFF, 11);
    target.set_covered({40, 50, 60, 30});
    target.draw_text("Ẫ gjpqy", 44, 54, 0xFF78716C, 18);  // wholly covered: left out
}

template <class Target>
void panel(Target& target) {
    target.dim();
    target.set_covered({});
    target.fill_rounded_rect(40, 50, 60, 30, 6, 0xFF161F30);
    target.draw_text("HẾT", 48, 56, 0xFFF1F5F9, 12);
}

template <class Target>
void scene(Target& target) {
    screen(target);
    panel(target);
}

// Direct calls on a surface, spread over the surface and its text.
struct Direct {
    Framebuffer& surface;
    TextRenderer& text;
    void fill(std::uint32_t c) { surface.fill(c); }
    void fill_rect(int x, int y, int w, int h, std::uint32_t c) {
        surface.fill_rect(x, y, w, h, c);
    }
    void hline(int x, int y, int w, std::uint32_t c) { surface.hline(x, y, w, c); }
    void fill_rounded_rect(int x, int y, int w, int h, int r, std::uint32_t c) {
        surface.fill_rounded_rect(x, y, w, h, r, c);
    }
    void draw_text(std::string_view s, int x, int y, std::uint32_t c, float size) {
        text.draw_text(s, x, y, c, size);
    }
    void draw_badge(std::string_view s, int x, int y, std::uint32_t bg, std::uint32_t fg,
                    float size) {
        text.draw_badge(s, x, y, bg, fg, size);
    }
    void set_covered(Framebuffer::Rect r) { surface.set_covered(r); }
    void dim() { surface.dim(); }
};

class DrawListTest : public ::testing::Test {
  protected:
    DrawList recorded() {
        DrawList list(kWidth, kHeight, text);
        scene(list);
        return list;
    }

    Framebuffer surface = Framebuffer::in_memory(kWidth, kHeight);
    TextRenderer text{glyphs(), surface};
};

TEST_F(DrawListTest, ReplayDrawsExactlyWhatTheSameCallsDrawDirectly) {
    Direct direct{surface, text};
    scene(direct);
    const std::vector<std::uint32_t> expected = pixels_of(surface);

    Framebuffer replayed = Framebuffer::in_memory(kWidth, kHeight);
    TextRenderer replay_text(glyphs(), replayed);
    recorded().replay(replayed, replay_text, {0, kHeight});
    EXPECT_EQ(pixels_of(replayed), expected);
    EXPECT_FALSE(replayed.is_covered(0, 0, 1, 1));
    EXPECT_EQ(replayed.row_clip(), (RowSpan{0, kHeight}));
}

TEST_F(DrawListTest, ReplayingSomeRowsDrawsThemAsTheWholeFrameDoesAndNothingElse) {
    const DrawList list = recorded();
    list.replay(surface, text, {0, kHeight});
    const std::vector<std::uint32_t> whole = pixels_of(surface);

    // Across the header's edge, through the covered panel, a single row,
    // past the bottom.
    for (const RowSpan rows :
         {RowSpan{15, 35}, RowSpan{52, 60}, RowSpan{19, 20}, RowSpan{80, 200}}) {
        SCOPED_TRACE(std::to_string(rows.begin) + "-" + std::to_string(rows.end));
        Framebuffer part = Framebuffer::in_memory(kWidth, kHeight);
        TextRenderer part_text(glyphs(), part);
        part.fill(kGarbage);
        list.replay(part, part_text, rows);
        for (std::size_t y = 0; y < kHeight; ++y) {
            const bool inside = y >= rows.begin && y < rows.end;
            for (std::size_t x = 0; x < kWidth; ++x) {
                ASSERT_EQ(part.pixels()[y * kWidth + x], inside ? whole[y * kWidth + x] : kGarbage)
                    << x << "," << y;
            }
        }
    }
}

TEST_F(DrawListTest, ReplayFromALaterOperationDrawsWhatFollowsUnderTheCoveredRectangleThen) {
    const DrawList list = recorded();
    list.replay(surface, text, {0, kHeight});
    const std::vector<std::uint32_t> whole = pixels_of(surface);

    DrawList screen_only(kWidth, kHeight, text);
    screen(screen_only);
    Framebuffer staged = Framebuffer::in_memory(kWidth, kHeight);
    TextRenderer staged_text(glyphs(), staged);
    screen_only.replay(staged, staged_text, {0, kHeight});
    // The panel's operations follow the screen's in the whole list.
    list.replay(staged, staged_text, {0, kHeight}, screen_only.ops().size());
    EXPECT_EQ(pixels_of(staged), whole);
    EXPECT_EQ(whole[50 * kWidth + 40], 0xFFEFE8D8u)
        << "the covered corner keeps the card beneath undarkened";
}

TEST_F(DrawListTest, TextRowsHoldEveryPixelItsGlyphsWrite) {
    const struct {
        std::string text;
        float size;
        int y;
    } lines[] = {
        {"ĐƯỜNG ỐNG NƯỚC SẠCH ĐÃ VỀ", 22, 20},  // stacked marks above the capitals
        {"gjpqy — ạ ự ỵ", 14, 40},              // descenders and marks below
        {"\xF0\x9F\x9A\x80 x", 30, 30},         // the missing-glyph box
        {"Tiến độ", 16, -8},                    // partly above the surface
        {"Tiến độ", 16, 80},                    // partly below it
        {"...", 11.5f, 50},
    };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.text);
        // Wide enough that no glyph is cut off at the side.
        constexpr std::size_t kWide = 600;
        Framebuffer blank = Framebuffer::in_memory(kWide, kHeight);
        TextRenderer blank_text(glyphs(), blank);
        blank.fill(kGarbage);
        DrawList list(kWide, kHeight, blank_text);
        list.draw_text(line.text, 2, line.y, 0xFF000000, line.size);
        ASSERT_EQ(list.ops().size(), 1u);
        const RowSpan rows = list.ops()[0].rows;
        list.replay(blank, blank_text, {0, kHeight});
        std::size_t first = kHeight;
        std::size_t last = 0;
        for (std::size_t y = 0; y < kHeight; ++y) {
            for (std::size_t x = 0; x < kWide; ++x) {
                if (blank.pixels()[y * kWide + x] == kGarbage)
                    continue;
                first = std::min(first, y);
                last = std::max(last, y + 1);
            }
        }
        ASSERT_LT(first, last) << "the line must ink something";
        EXPECT_LE(rows.begin, first);
        EXPECT_GE(rows.end, last);
        // Glyph boxes, not a guess: at most a row of box past the ink.
        EXPECT_GE(rows.begin + 1, first);
        EXPECT_LE(rows.end, last + 1);
    }
}

TEST_F(DrawListTest, OperationsThatWriteNoPixelAreLeftOut) {
    DrawList list(kWidth, kHeight, text);
    list.draw_text("", 10, 10, 0xFF000000, 14);
    list.draw_text("chữ", 10, 10, 0xFF000000, 0);
    list.draw_text("chữ", 10, -60, 0xFF000000, 14);  // wholly above
    list.draw_text("chữ", 10, 200, 0xFF000000, 14);  // wholly below
    list.draw_text("   ", 10, 10, 0xFF000000, 14);   // blanks ink nothing
    list.fill_rect(-30, 10, 30, 10, 0xFF000000);     // left of the surface
    list.fill_rect(10, 10, 0, 10, 0xFF000000);       // no width
    list.fill_rect(10, 90, 10, 10, 0xFF000000);      // below
    list.fill_rounded_rect(170, 0, 10, 10, 3, 0xFF000000);
    list.hline(0, -1, 160, 0xFF000000);
    EXPECT_TRUE(list.ops().empty());

    DrawList empty_surface(0, 0, text);
    empty_surface.fill(0xFF000000);
    empty_surface.dim();
    EXPECT_TRUE(empty_surface.ops().empty());
}

}  // namespace
}  // namespace papyr
