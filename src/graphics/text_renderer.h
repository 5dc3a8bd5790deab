#pragma once

// Text on the surface: single lines, measuring, greedy word wrapping, lines
// shortened with an ellipsis and small labels on a rounded background.
// (x, y) of a line is the top-left of its line box; the baseline lies at
// y + trunc(size). Texts are UTF-8; glyphs are placed one after another with
// no shaping or kerning, and only their placement is rounded (towards zero),
// so fractional advances add up along the line.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/font.h"
#include "graphics/framebuffer.h"
#include "graphics/glyph_cache.h"

namespace papyr {

// Rows [top, bottom) of the surface, before clipping; empty when top >= bottom.
struct InkRows {
    std::int64_t top = 0;
    std::int64_t bottom = 0;
    bool empty() const { return top >= bottom; }
};

class TextRenderer {
  public:
    // Rasterises every glyph afresh on each call.
    TextRenderer(const Font& font, Framebuffer& surface);
    // Takes glyphs from the cache (and fills it); the same pixels, faster.
    TextRenderer(GlyphCache& cache, Framebuffer& surface);

    // Blends each glyph's coverage into the surface in `colour`: fully
    // covered pixels take the colour unchanged, partly covered ones mix with
    // what is there. A size that is not positive draws nothing.
    void draw_text(std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t colour,
                   float size);

    // The rows draw_text would write for the line at y (glyph boxes, before
    // clipping to the surface): empty when it would write nothing.
    InkRows ink_rows(std::string_view text, std::int32_t y, float size) const;

    // The sum of the advance widths; 0 for an empty text.
    float measure_text(std::string_view text, float size) const;

    // Breaks the text into words at Unicode white space and fills lines
    // greedily up to max_width (a word wider than that stands alone on its
    // line); the words of a line are joined by single spaces. No lines for a
    // text without words.
    std::vector<std::string> wrap_lines(std::string_view text, std::int32_t max_width,
                                        float size) const;

    // The lines of wrap_lines, `line_height` apart from y; a line is drawn
    // only when -line_height <= its y <= clip_bottom, but every line counts
    // in the returned height, which is lines × line_height (line_height for
    // a text without words).
    std::int32_t draw_wrapped(std::string_view text, std::int32_t x, std::int32_t y,
                              std::int32_t max_width, std::int32_t line_height,
                              std::uint32_t colour, float size, std::int32_t clip_bottom);

    // The text when it fits in max_width, else its longest prefix of whole
    // characters that fits with "..." appended ("..." alone when none does).
    std::string fit_with_ellipsis(std::string_view text, float size, float max_width) const;
    std::string fit_with_ellipsis(std::string_view text, float size, std::int32_t max_width) const {
        return fit_with_ellipsis(text, size, static_cast<float>(max_width));
    }

    // The text at (x + 8, y + 4) over a radius-6 rounded rectangle at (x, y)
    // of trunc(text width) + 16 by trunc(size) + 10 pixels.
    struct BadgeBox {
        std::int32_t width = 0;
        std::int32_t height = 0;
    };
    static constexpr std::int32_t kBadgeRadius = 6;
    static constexpr std::int32_t kBadgeTextX = 8;
    static constexpr std::int32_t kBadgeTextY = 4;
    BadgeBox badge_box(std::string_view text, float size) const;
    void draw_badge(std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t background,
                    std::uint32_t foreground, float size);

  private:
    float advance_width(char32_t code_point, float size) const;
    // `start` plus the advances of the text's characters, added in order, so
    // a line can be measured piece by piece with the same result as whole.
    float add_advances(float start, std::string_view text, float size) const;
    void blend_glyph(const Glyph& glyph, std::int64_t left, std::int64_t top, std::uint32_t colour);

    // What a pixel of `background` becomes under `colour` at each coverage,
    // by the same rule as every other pixel. Text lies on flat backgrounds,
    // so nearly every pixel under a glyph is the same colour and takes its
    // result from the table instead of being mixed.
    struct BlendTable {
        std::uint32_t colour = 0;
        std::uint32_t background = 0;
        std::array<std::uint32_t, 256> result{};
    };
    const BlendTable& blend_table(std::uint32_t colour, std::uint32_t background);

    const Font& font_;
    GlyphCache* cache_ = nullptr;
    Framebuffer& surface_;
    std::vector<BlendTable> blend_tables_;  // the last few pairs drawn
    std::size_t next_replaced_ = 0;
    std::size_t last_table_ = 0;  // the one used last
};

}  // namespace papyr
