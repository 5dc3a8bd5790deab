#include "graphics/text_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/utf8.h"
#include "graphics/glyph_cache.h"

namespace papyr {
namespace {

constexpr std::uint32_t kBackground = 0xFF101820;
constexpr std::uint32_t kInk = 0xFFF1F5F9;

const std::string kParagraph =
    "Sáng nay, Thủ tướng đã chủ trì hội nghị trực tuyến với các địa phương về "
    "phát triển kinh tế – xã hội. Ông nhấn mạnh: “Phải ưu tiên đầu tư hạ tầng, "
    "giữ vững ổn định vĩ mô và bảo đảm đời sống người dân.” ĐƯỜNG ỐNG NƯỚC "
    "SẠCH ĐÃ VỀ ĐẾN TỪNG XÃ Ở TÂY NGUYÊN.";

Framebuffer blank(std::size_t width, std::size_t height) {
    Framebuffer surface = Framebuffer::in_memory(width, height);
    surface.fill(kBackground);
    return surface;
}

std::vector<std::uint32_t> pixels_of(const Framebuffer& surface) {
    return {surface.pixels().begin(), surface.pixels().end()};
}

std::size_t inked(const Framebuffer& surface) {
    return static_cast<std::size_t>(
        std::count_if(surface.pixels().begin(), surface.pixels().end(),
                      [](std::uint32_t p) { return p != kBackground; }));
}

// The rows that hold any pixel other than the background: {first, last + 1}.
std::pair<int, int> inked_rows(const Framebuffer& surface) {
    int first = -1;
    int last = -1;
    for (std::size_t y = 0; y < surface.height(); ++y) {
        for (std::size_t x = 0; x < surface.width(); ++x) {
            if (surface.pixels()[y * surface.width() + x] == kBackground)
                continue;
            if (first < 0)
                first = static_cast<int>(y);
            last = static_cast<int>(y) + 1;
        }
    }
    return {first, last};
}

std::uint32_t pixel_at(const Framebuffer& surface, std::size_t x, std::size_t y) {
    return surface.pixels()[y * surface.width() + x];
}

// --- single lines --------------------------------------------------------------

TEST(TextMeasure, SumsTheAdvancesOfEveryCharacter) {
    Framebuffer surface = blank(1, 1);
    TextRenderer text(Font::embedded(), surface);
    EXPECT_EQ(text.measure_text("", 20.0f), 0.0f);
    // 'H' 1714, ' ' 713 and 'i' 702 font units, at one pixel per unit.
    EXPECT_EQ(text.measure_text("H i", 2048.0f), 3129.0f);
    EXPECT_EQ(text.measure_text("HH", 20.0f), 2 * 16.73828125f);
    EXPECT_EQ(text.measure_text("Hi", 0.0f), 0.0f);
    EXPECT_EQ(text.measure_text("Hi", -3.0f), 0.0f);
    // Characters the font lacks measure as its missing-glyph box.
    EXPECT_GT(text.measure_text("\xF0\x9F\x9A\x80", 20.0f), 0.0f);
    EXPECT_EQ(text.measure_text("\xF0\x9F\x9A\x80", 20.0f),
              text.measure_text("\xF0\x9F\x8C\x99", 20.0f));
}

TEST(TextDraw, GlyphsStandOnTheBaselineAtYPlusTheTruncatedSize) {
    Framebuffer surface = blank(80, 80);
    TextRenderer text(Font::embedded(), surface);
    text.draw_text("H", 5, 10, kInk, 36.6f);  // baseline at 10 + 36
    EXPECT_EQ(inked_rows(surface), std::make_pair(19, 46));

    Framebuffer descender = blank(80, 80);
    TextRenderer(Font::embedded(), descender).draw_text("p", 5, 10, kInk, 36.0f);
    EXPECT_GT(inked_rows(descender).second, 46);
}

TEST(TextDraw, FullCoverageWritesTheColourAndPartialCoverageMixesWithThePixelUnderIt) {
    // A colour whose alpha is not 0xFF shows which pixels were written whole.
    constexpr std::uint32_t kColour = 0x80FF8040;
    const Font& font = Font::embedded();
    const Glyph glyph = font.rasterize(font.glyph_index(U'Ở'), 30.0f);
    const auto left = static_cast<std::size_t>(7 + glyph.metrics.xmin);
    const auto top = static_cast<std::size_t>(3 + 30 - glyph.metrics.ymin -
                                              static_cast<std::int64_t>(glyph.metrics.height));
    // Over a flat background, then over stripes of two colours (the first
    // at the glyph box's corner) with a pixel of its own colour every few:
    // pixels like the corner's and pixels unlike it, one after another.
    for (const bool striped : {false, true}) {
        SCOPED_TRACE(striped ? "striped" : "flat");
        Framebuffer surface = blank(60, 60);
        auto pixels = surface.pixels();
        for (std::size_t i = 0; striped && i < pixels.size(); ++i) {
            pixels[i] = i % 7 == 0 ? 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8)
                                   : ((i / 60 + i) % 3 == 0 ? 0xFFE9C46Au : 0xFF264653u);
        }
        std::vector<std::uint32_t> expected = pixels_of(surface);
        TextRenderer(font, surface).draw_text("Ở", 7, 3, kColour, 30.0f);

        int full = 0;
        int partial = 0;
        for (std::size_t r = 0; r < glyph.metrics.height; ++r) {
            for (std::size_t c = 0; c < glyph.metrics.width; ++c) {
                const std::uint32_t a = glyph.coverage[r * glyph.metrics.width + c];
                std::uint32_t& pixel = expected[(top + r) * 60 + left + c];
                if (a == 255) {
                    pixel = kColour;
                    ++full;
                } else if (a != 0) {
                    // ⌊(fg × a + bg × (255 − a)) / 255⌋ per channel, opaque.
                    const auto mix = [&](int shift) {
                        const std::uint32_t fg = (kColour >> shift) & 0xFF;
                        const std::uint32_t bg = (pixel >> shift) & 0xFF;
                        return (fg * a + bg * (255 - a)) / 255 << shift;
                    };
                    pixel = 0xFF000000 | mix(16) | mix(8) | mix(0);
                    ++partial;
                }
            }
        }
        EXPECT_GT(full, 0);
        EXPECT_GT(partial, 50);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(pixels[i], expected[i]) << "at " << i % 60 << "," << i / 60;
        }
    }
}

TEST(TextDraw, AGlyphWhollyInsideTheCoveredRectangleIsLeftOutAndOthersDrawWhole) {
    Framebuffer expected = blank(120, 40);
    TextRenderer(Font::embedded(), expected).draw_text("MM", 10, 5, kInk, 24.0f);
    Framebuffer surface = blank(120, 40);
    // Covers the first M's box with room to spare and the left half of the
    // second's.
    const std::int32_t second_m = 10 + static_cast<std::int32_t>(Font::embedded().advance_width(
                                           Font::embedded().glyph_index(U'M'), 24.0f));
    surface.set_covered({0, 0, second_m + 8, 40});
    TextRenderer(Font::embedded(), surface).draw_text("MM", 10, 5, kInk, 24.0f);

    for (std::size_t y = 0; y < 40; ++y) {
        for (std::size_t x = 0; x < 120; ++x) {
            const auto column = static_cast<std::int32_t>(x);
            const std::uint32_t want = column < second_m ? kBackground : pixel_at(expected, x, y);
            ASSERT_EQ(pixel_at(surface, x, y), want) << x << "," << y;
        }
    }
    EXPECT_GT(inked(surface), 50u);
}

TEST(TextDraw, ThePenKeepsFractionalAdvancesAndOnlyPlacementIsTruncated) {
    // 'i' advances 702 × 13 / 2048 = 4.456 pixels: eight of them end at
    // 35.6, not at the 32 that whole-pixel steps would give.
    const Font& font = Font::embedded();
    const float advance = font.advance_width(font.glyph_index(U'i'), 13.0f);
    Framebuffer together = blank(60, 20);
    TextRenderer(font, together).draw_text("iiiiiiii", 2, 0, kInk, 13.0f);
    Framebuffer apart = blank(60, 20);
    TextRenderer one_by_one(font, apart);
    float pen = 2.0f;
    for (int i = 0; i < 8; ++i) {
        one_by_one.draw_text("i", static_cast<std::int32_t>(pen), 0, kInk, 13.0f);
        pen += advance;
    }
    EXPECT_EQ(pixels_of(together), pixels_of(apart));
}

TEST(TextDraw, TextIsClippedAtEveryEdgeWithoutWrappingIntoOtherRows) {
    // The same run drawn whole on a large surface and across all four edges
    // of a small one agrees wherever the two overlap, and nothing spills.
    constexpr int kOffset = 40;
    Framebuffer whole = blank(200, 120);
    Framebuffer small = blank(50, 20);
    TextRenderer(Font::embedded(), whole)
        .draw_text("Ngày ĐẸP", kOffset - 15, kOffset - 12, kInk, 30.0f);
    TextRenderer(Font::embedded(), small).draw_text("Ngày ĐẸP", -15, -12, kInk, 30.0f);
    for (std::size_t y = 0; y < 20; ++y) {
        for (std::size_t x = 0; x < 50; ++x) {
            ASSERT_EQ(pixel_at(small, x, y), pixel_at(whole, x + kOffset, y + kOffset))
                << "at " << x << "," << y;
        }
    }
    EXPECT_GT(inked(small), 0u);
}

TEST(TextDraw, NothingIsDrawnForEmptyTextOrASizeWithoutPixels) {
    Framebuffer surface = blank(40, 40);
    TextRenderer text(Font::embedded(), surface);
    text.draw_text("", 0, 0, kInk, 20.0f);
    text.draw_text("H", 0, 0, kInk, 0.0f);
    text.draw_text("H", 0, 0, kInk, -20.0f);
    text.draw_text("H", 0, 500, kInk, 20.0f);
    text.draw_text("H", -500, 0, kInk, 20.0f);
    EXPECT_EQ(inked(surface), 0u);
}

TEST(TextDraw, MissingCharactersShowTheMissingGlyphBox) {
    Framebuffer rocket = blank(40, 40);
    Framebuffer moon = blank(40, 40);
    TextRenderer(Font::embedded(), rocket).draw_text("\xF0\x9F\x9A\x80", 4, 4, kInk, 24.0f);
    TextRenderer(Font::embedded(), moon).draw_text("\xF0\x9F\x8C\x99", 4, 4, kInk, 24.0f);
    EXPECT_GT(inked(rocket), 0u);
    EXPECT_EQ(pixels_of(rocket), pixels_of(moon));
}

// --- wrapping ------------------------------------------------------------------

TEST(TextWrap, TextWithoutWordsTakesOneLineAndDrawsNothing) {
    Framebuffer surface = blank(100, 100);
    TextRenderer text(Font::embedded(), surface);
    EXPECT_EQ(text.draw_wrapped("", 0, 0, 100, 17, kInk, 20.0f, 100), 17);
    EXPECT_EQ(text.draw_wrapped(" \t\n\u00A0\u2003\u3000 ", 0, 0, 100, 17, kInk, 20.0f, 100), 17);
    EXPECT_EQ(inked(surface), 0u);
}

TEST(TextWrap, AWordWiderThanTheLineStandsAloneAndRunsPastTheMargin) {
    Framebuffer wrapped = blank(200, 40);
    Framebuffer plain = blank(200, 40);
    EXPECT_EQ(TextRenderer(Font::embedded(), wrapped)
                  .draw_wrapped("Nghiêngnghiêng", 3, 2, 10, 30, kInk, 20.0f, 100),
              30);
    TextRenderer(Font::embedded(), plain).draw_text("Nghiêngnghiêng", 3, 2, kInk, 20.0f);
    EXPECT_EQ(pixels_of(wrapped), pixels_of(plain));
}

TEST(TextWrap, AnExactFitStaysOnOneLine) {
    // At 2048 pixels per em the widths are whole font units: "H" 1714,
    // space 713, "i" 702. The line is not drawn (it lies below clip_bottom).
    Framebuffer surface = blank(1, 1);
    TextRenderer text(Font::embedded(), surface);
    EXPECT_EQ(text.draw_wrapped("H i", 0, 0, 3129, 100, kInk, 2048.0f, -1), 100);
    EXPECT_EQ(text.draw_wrapped("H i", 0, 0, 3128, 100, kInk, 2048.0f, -1), 200);
    EXPECT_EQ(text.draw_wrapped("  H \n\t i ", 0, 0, 3129, 100, kInk, 2048.0f, -1), 100);
    EXPECT_EQ(text.draw_wrapped("H i H", 0, 0, 3129, 100, kInk, 2048.0f, -1), 200);
}

TEST(TextWrap, WordsAreJoinedBySingleSpacesAndLinesFollowEachOther) {
    const Font& font = Font::embedded();
    Framebuffer wrapped = blank(300, 120);
    Framebuffer expected = blank(300, 120);
    TextRenderer text(font, wrapped);
    TextRenderer reference(font, expected);

    EXPECT_EQ(text.draw_wrapped("Hà \n Nội\tmùa  thu", 5, 4, 1000, 24, kInk, 18.0f, 500), 24);
    reference.draw_text("Hà Nội mùa thu", 5, 4, kInk, 18.0f);
    EXPECT_EQ(pixels_of(wrapped), pixels_of(expected));

    // One word per line when no two fit together.
    EXPECT_EQ(text.draw_wrapped("Đà Lạt", 5, 40, 1, 30, kInk, 18.0f, 500), 60);
    reference.draw_text("Đà", 5, 40, kInk, 18.0f);
    reference.draw_text("Lạt", 5, 70, kInk, 18.0f);
    EXPECT_EQ(pixels_of(wrapped), pixels_of(expected));
}

TEST(TextWrap, LinesAreDrawnOnlyWithinTheClipBandButAlwaysCounted) {
    // Size 30 on a 20-pixel line: a line at y = -20 has its baseline at 10,
    // so its glyphs would show at the top whether or not it is skipped.
    struct Case {
        std::int32_t y;
        bool drawn;
    };
    for (const Case c : {Case{-20, true}, Case{-21, false}, Case{50, true}, Case{51, false}}) {
        Framebuffer surface = blank(100, 120);
        const std::int32_t height = TextRenderer(Font::embedded(), surface)
                                        .draw_wrapped("Hi", 0, c.y, 100, 20, kInk, 30.0f, 50);
        EXPECT_EQ(height, 20) << "y " << c.y;
        EXPECT_EQ(inked(surface) > 0, c.drawn) << "y " << c.y;
    }
    Framebuffer surface = blank(100, 120);
    TextRenderer text(Font::embedded(), surface);
    EXPECT_EQ(text.draw_wrapped("một hai ba", 0, 400, 1, 20, kInk, 16.0f, 50), 60);
    EXPECT_EQ(text.draw_wrapped("một hai ba", 0, -400, 1, 20, kInk, 16.0f, 50), 60);
    EXPECT_EQ(inked(surface), 0u);
}

// --- ellipsis ------------------------------------------------------------------

TEST(TextEllipsis, TextThatFitsIsReturnedUnchanged) {
    Framebuffer surface = blank(1, 1);
    TextRenderer text(Font::embedded(), surface);
    const std::string title = "Giá vàng hôm nay tăng mạnh";
    EXPECT_EQ(text.fit_with_ellipsis(title, 18.0f, text.measure_text(title, 18.0f)), title);
    EXPECT_EQ(text.fit_with_ellipsis("", 18.0f, 0), "");
    EXPECT_EQ(text.fit_with_ellipsis(title, 18.0f, 0), "...");
    EXPECT_EQ(text.fit_with_ellipsis(title, 18.0f, 5), "...");
}

TEST(TextEllipsis, KeepsTheLongestWholeCharacterPrefixThatFitsWithTheDots) {
    Framebuffer surface = blank(1, 1);
    TextRenderer text(Font::embedded(), surface);
    const std::string title = "Bão số 3 đổ bộ: người dân ven biển Quảng Ngãi khẩn trương sơ tán";
    const float size = 14.0f;
    const float full = text.measure_text(title, size);
    std::vector<std::size_t> boundaries;
    for (std::size_t pos = 0; pos < title.size(); pos += decode_utf8_step(title, pos).length) {
        boundaries.push_back(pos);
    }
    for (std::int32_t width = 0; width < static_cast<std::int32_t>(full); ++width) {
        const std::string fitted = text.fit_with_ellipsis(title, size, width);
        ASSERT_TRUE(is_valid_utf8(fitted)) << width;
        ASSERT_GE(fitted.size(), 3u);
        ASSERT_EQ(fitted.substr(fitted.size() - 3), "...") << width;
        const std::string kept = fitted.substr(0, fitted.size() - 3);
        ASSERT_EQ(title.compare(0, kept.size(), kept), 0) << width;
        const auto at = std::find(boundaries.begin(), boundaries.end(), kept.size());
        ASSERT_NE(at, boundaries.end()) << "cut inside a character at width " << width;
        if (!kept.empty()) {
            EXPECT_LE(text.measure_text(fitted, size), static_cast<float>(width));
        }
        // One more character would not fit.
        const std::size_t next = at + 1 == boundaries.end() ? title.size() : *(at + 1);
        EXPECT_GT(text.measure_text(title.substr(0, next) + "...", size), static_cast<float>(width))
            << width;
    }
}

// --- badges ------------------------------------------------------------------------

TEST(TextBadge, IsTheTruncatedTextWidthPlusSixteenByTheTruncatedSizePlusTen) {
    // "100%" at size 11: (3 × 1425 + 2052) × 11 / 2048 = 33.98 pixels, so
    // the badge is 49 by 21 pixels.
    constexpr std::uint32_t kBadge = 0xFFE65100;
    constexpr std::uint32_t kLabel = 0xFFFFFFFF;
    Framebuffer surface = blank(80, 50);
    TextRenderer(Font::embedded(), surface).draw_badge("100%", 10, 12, kBadge, kLabel, 11.0f);
    // The straight middle row and a column left of the text.
    EXPECT_EQ(pixel_at(surface, 9, 22), kBackground);
    EXPECT_EQ(pixel_at(surface, 10, 22), kBadge);
    EXPECT_EQ(pixel_at(surface, 58, 22), kBadge);
    EXPECT_EQ(pixel_at(surface, 59, 22), kBackground);
    EXPECT_EQ(pixel_at(surface, 16, 11), kBackground);
    EXPECT_EQ(pixel_at(surface, 16, 12), kBadge);
    EXPECT_EQ(pixel_at(surface, 16, 32), kBadge);
    EXPECT_EQ(pixel_at(surface, 16, 33), kBackground);
    // The label sits inside, starting 8 pixels in and 4 down.
    std::size_t label = 0;
    for (std::size_t y = 0; y < 50; ++y) {
        for (std::size_t x = 0; x < 80; ++x) {
            if (pixel_at(surface, x, y) != kLabel)
                continue;
            ++label;
            EXPECT_TRUE(x >= 18 && x < 59 && y >= 16 && y < 27) << x << "," << y;
        }
    }
    EXPECT_GT(label, 0u);
}

// --- glyph cache ---------------------------------------------------------------------

void draw_sample_page(TextRenderer& text) {
    text.draw_text("PAPYR", 26, 20, 0xFFFFFFFF, 18.0f);
    text.draw_text("◄ [L1] VnExpress [R1] ►", 150, 20, kInk, 18.0f);
    text.draw_badge("☕ Hổ Phách", 500, 15, 0xFF382B24, kInk, 12.0f);
    const std::string title = text.fit_with_ellipsis(kParagraph, 18.0f, 500);
    text.draw_text(title, 40, 84, kInk, 18.0f);
    for (const float size : {11.0f, 13.0f, 22.0f, 30.0f}) {
        text.draw_wrapped(kParagraph, 80, 120 + static_cast<std::int32_t>(size) * 9, 480,
                          static_cast<std::int32_t>(size * 1.7f), kInk, size, 470);
    }
}

TEST(GlyphCache, DrawsExactlyTheSamePixelsAsRasterisingEveryGlyph) {
    const Font& font = Font::embedded();
    Framebuffer uncached = blank(640, 480);
    TextRenderer plain(font, uncached);
    draw_sample_page(plain);

    GlyphCache cache(font);
    Framebuffer cold = blank(640, 480);
    TextRenderer cached(cache, cold);
    draw_sample_page(cached);
    EXPECT_GT(cache.entry_count(), 100u);
    Framebuffer warm = blank(640, 480);
    TextRenderer cached_again(cache, warm);
    draw_sample_page(cached_again);

    EXPECT_GT(inked(uncached), 10000u);
    EXPECT_EQ(pixels_of(cold), pixels_of(uncached));
    EXPECT_EQ(pixels_of(warm), pixels_of(uncached));
    EXPECT_EQ(cached.measure_text(kParagraph, 22.0f), plain.measure_text(kParagraph, 22.0f));
}

}  // namespace
}  // namespace papyr
