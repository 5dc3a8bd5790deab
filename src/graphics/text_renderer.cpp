#include "graphics/text_renderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "base/unicode.h"
#include "base/utf8.h"

namespace papyr {
namespace {

// Rounds towards zero and saturates at the ends of the range (NaN gives 0),
// so no float reaching a pixel position can overflow.
std::int32_t truncate(float value) {
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<float>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value >= static_cast<float>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

// x / 255 without a division for every x up to 255 × 255, the largest sum a
// channel mix can reach; the assertion below checks each of them.
constexpr std::uint32_t divide_by_255(std::uint32_t x) {
    return (x + 1 + (x >> 8)) >> 8;
}

constexpr bool divides_exactly_up_to(std::uint32_t last) {
    for (std::uint32_t x = 0; x <= last; ++x) {
        if (divide_by_255(x) != x / 255)
            return false;
    }
    return true;
}
static_assert(divides_exactly_up_to(255 * 255));

// Per channel (fg × coverage + bg × (255 − coverage)) / 255, rounded down.
// Red and blue are mixed together as two 16-bit lanes of one word: a lane's
// sum stays below 65,536 even after the rounding terms, so nothing carries
// into the other lane and every channel comes out as it would on its own.
constexpr std::uint32_t blend(std::uint32_t foreground, std::uint32_t background,
                              std::uint32_t coverage) {
    constexpr std::uint32_t kRedBlue = 0x00FF00FFu;
    const std::uint32_t rest = 255u - coverage;
    const std::uint32_t red_blue =
        (foreground & kRedBlue) * coverage + (background & kRedBlue) * rest;
    const std::uint32_t green =
        ((foreground >> 8) & 0xFFu) * coverage + ((background >> 8) & 0xFFu) * rest;
    const std::uint32_t mixed_red_blue =
        ((red_blue + 0x00010001u + ((red_blue >> 8) & kRedBlue)) >> 8) & kRedBlue;
    return 0xFF000000u | mixed_red_blue | divide_by_255(green) << 8;
}

// The lanes kept apart: every coverage over channel values at the extremes
// and in between gives what mixing each channel alone gives.
constexpr bool blends_each_channel_alone() {
    constexpr std::uint32_t kLevels[] = {0, 1, 2, 127, 128, 200, 254, 255};
    const auto one = [](std::uint32_t fg, std::uint32_t bg, std::uint32_t a) {
        return (fg * a + bg * (255 - a)) / 255;
    };
    for (std::uint32_t a = 0; a <= 255; ++a) {
        for (const std::uint32_t f : kLevels) {
            for (const std::uint32_t b : kLevels) {
                const std::uint32_t fg = f << 16 | (255 - f) << 8 | b;
                const std::uint32_t bg = b << 16 | f << 8 | (255 - b);
                const std::uint32_t expected =
                    0xFF000000u | one(f, b, a) << 16 | one(255 - f, f, a) << 8 | one(b, 255 - b, a);
                if (blend(fg, bg, a) != expected)
                    return false;
            }
        }
    }
    return true;
}
static_assert(blends_each_channel_alone());

// Whether the character at `pos` is Unicode white space, and its length.
struct Scanned {
    char32_t code_point;
    std::size_t length;
    bool blank;
};

Scanned scan(std::string_view text, std::size_t pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80)
        return {byte, 1, byte == ' ' || (byte >= '\t' && byte <= '\r')};
    const Utf8Step step = decode_utf8_step(text, pos);
    return {step.code_point, step.length,
            step.kind == Utf8Step::Kind::Valid && is_unicode_whitespace(step.code_point)};
}

// Greedy wrapping in one pass over the text: words are the runs between
// Unicode white space. Each word's width is summed from zero, and the line's
// width is the line's advances added in order, exactly as measuring the
// line would add them, so a line breaks where measuring it says it must.
template <class Advance>
std::vector<std::string> wrap(std::string_view text, float limit, Advance&& advance) {
    std::vector<std::string> lines;
    const float space_width = 0.0f + advance(U' ');
    std::string line;
    float line_width = 0.0f;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Scanned at = scan(text, pos);
        if (at.blank) {
            pos += at.length;
            continue;
        }
        const std::size_t start = pos;
        float word_width = 0.0f;
        // The line's width should the word join it.
        float joined = line.empty() ? 0.0f : line_width + space_width;
        while (true) {
            const float width = advance(at.code_point);
            word_width += width;
            joined += width;
            pos += at.length;
            if (pos >= text.size())
                break;
            at = scan(text, pos);
            if (at.blank)
                break;
        }
        const std::string_view word = text.substr(start, pos - start);
        if (!line.empty() && line_width + space_width + word_width > limit) {
            lines.push_back(std::move(line));
            line.assign(word);
            line_width = word_width;
            continue;
        }
        if (!line.empty())
            line.push_back(' ');
        line.append(word);
        line_width = joined;
    }
    if (!line.empty() || !lines.empty())
        lines.push_back(std::move(line));
    return lines;
}

}  // namespace

TextRenderer::TextRenderer(const Font& font, Framebuffer& surface)
    : font_(font), surface_(surface) {}

TextRenderer::TextRenderer(GlyphCache& cache, Framebuffer& surface)
    : font_(cache.font()), cache_(&cache), surface_(surface) {}

float TextRenderer::advance_width(char32_t code_point, float size) const {
    if (cache_ != nullptr)
        return cache_->at_size(size).advance_width(code_point);
    return font_.advance_width(font_.glyph_index(code_point), size);
}

float TextRenderer::add_advances(float start, std::string_view text, float size) const {
    float width = start;
    if (cache_ != nullptr) {
        GlyphCache::Size& glyphs = cache_->at_size(size);
        for_each_code_point(
            text, [&](char32_t code_point) { width += glyphs.advance_width(code_point); });
    } else {
        for_each_code_point(text,
                            [&](char32_t code_point) { width += advance_width(code_point, size); });
    }
    return width;
}

float TextRenderer::measure_text(std::string_view text, float size) const {
    return add_advances(0.0f, text, size);
}

void TextRenderer::draw_text(std::string_view text, std::int32_t x, std::int32_t y,
                             std::uint32_t colour, float size) {
    if (text.empty() || !(size > 0.0f))
        return;
    const std::int64_t baseline = std::int64_t{y} + truncate(size);
    float pen_x = static_cast<float>(x);
    const auto place = [&](const Glyph& glyph) {
        const GlyphMetrics& m = glyph.metrics;
        const std::int64_t left = std::int64_t{m.xmin} + truncate(pen_x);
        const std::int64_t top = baseline - m.ymin - static_cast<std::int64_t>(m.height);
        blend_glyph(glyph, left, top, colour);
        pen_x += m.advance_width;
    };
    if (cache_ != nullptr) {
        GlyphCache::Size& glyphs = cache_->at_size(size);
        for_each_code_point(text, [&](char32_t code_point) { place(glyphs.glyph(code_point)); });
    } else {
        for_each_code_point(text, [&](char32_t code_point) {
            place(font_.rasterize(font_.glyph_index(code_point), size));
        });
    }
}

InkRows TextRenderer::ink_rows(std::string_view text, std::int32_t y, float size) const {
    if (text.empty() || !(size > 0.0f))
        return {};
    // The same placement as draw_text: each glyph's box from the baseline.
    const std::int64_t baseline = std::int64_t{y} + truncate(size);
    InkRows rows{std::numeric_limits<std::int64_t>::max(),
                 std::numeric_limits<std::int64_t>::min()};
    const auto add = [&](const GlyphMetrics& m) {
        if (m.width == 0 || m.height == 0)
            return;
        const std::int64_t bottom = baseline - m.ymin;
        rows.top = std::min(rows.top, bottom - static_cast<std::int64_t>(m.height));
        rows.bottom = std::max(rows.bottom, bottom);
    };
    if (cache_ != nullptr) {
        GlyphCache::Size& glyphs = cache_->at_size(size);
        for_each_code_point(text, [&](char32_t code_point) { add(glyphs.metrics(code_point)); });
    } else {
        for_each_code_point(text, [&](char32_t code_point) {
            add(font_.metrics(font_.glyph_index(code_point), size));
        });
    }
    if (rows.empty())
        return {};
    return rows;
}

const TextRenderer::BlendTable& TextRenderer::blend_table(std::uint32_t colour,
                                                          std::uint32_t background) {
    // A frame draws text in a handful of colour pairs; a few more slots
    // than that keep a glyph straddling two backgrounds from evicting them.
    constexpr std::size_t kTables = 8;
    // Most glyphs are drawn with the pair of the glyph before.
    if (last_table_ < blend_tables_.size() && blend_tables_[last_table_].colour == colour &&
        blend_tables_[last_table_].background == background) {
        return blend_tables_[last_table_];
    }
    for (std::size_t i = 0; i < blend_tables_.size(); ++i) {
        if (blend_tables_[i].colour == colour && blend_tables_[i].background == background) {
            last_table_ = i;
            return blend_tables_[i];
        }
    }
    BlendTable* replaced = nullptr;
    if (blend_tables_.size() < kTables) {
        replaced = &blend_tables_.emplace_back();
    } else {
        replaced = &blend_tables_[next_replaced_];
        next_replaced_ = (next_replaced_ + 1) % kTables;
    }
    BlendTable& table = *replaced;
    last_table_ = static_cast<std::size_t>(replaced - blend_tables_.data());
    table.colour = colour;
    table.background = background;
    table.result[0] = background;
    for (std::uint32_t a = 1; a < 255; ++a)
        table.result[a] = blend(colour, background, a);
    table.result[255] = colour;
    return table;
}

void TextRenderer::blend_glyph(const Glyph& glyph, std::int64_t left, std::int64_t top,
                               std::uint32_t colour) {
    // The part of the glyph's box that lies on the surface, found once, so
    // the loops below test nothing per pixel.
    const auto width = static_cast<std::int64_t>(glyph.metrics.width);
    const auto height = static_cast<std::int64_t>(glyph.metrics.height);
    const std::int64_t first_column = std::max<std::int64_t>(0, -left);
    const std::int64_t end_column =
        std::min(width, static_cast<std::int64_t>(surface_.width()) - left);
    const RowSpan clip = surface_.row_clip();
    const std::int64_t first_row =
        std::max<std::int64_t>(0, static_cast<std::int64_t>(clip.begin) - top);
    const std::int64_t end_row = std::min(height, static_cast<std::int64_t>(clip.end) - top);
    if (first_column >= end_column || first_row >= end_row ||
        surface_.is_covered(left, top, width, height)) {
        return;
    }

    const auto columns = static_cast<std::size_t>(end_column - first_column);
    const auto pixels = surface_.pixels();
    const auto line_at = [&](std::int64_t row) {
        return pixels.data() + static_cast<std::size_t>(top + row) * surface_.width() +
               static_cast<std::size_t>(left + first_column);
    };
    // The box's corner is almost always the background the glyph lies on.
    const BlendTable& table = blend_table(colour, *line_at(first_row));
    // In locals: the pixels written below could, as far as the compiler
    // knows, be the table's own words, which it would then read again for
    // every pixel.
    const std::uint32_t background = table.background;
    const std::uint32_t* const result = table.result.data();
    for (std::int64_t row = first_row; row < end_row; ++row) {
        const std::uint8_t* coverage =
            glyph.coverage.data() + static_cast<std::size_t>(row * width + first_column);
        std::uint32_t* line = line_at(row);
        // The box's columns left and right of the strokes cover nothing.
        std::size_t begin = 0;
        std::size_t end = columns;
        while (begin < end && coverage[begin] == 0)
            ++begin;
        while (end > begin && coverage[end - 1] == 0)
            --end;
        for (std::size_t column = begin; column < end; ++column) {
            const std::uint32_t a = coverage[column];
            const std::uint32_t under = line[column];
            if (under == background) {
                line[column] = result[a];
            } else if (a == 255) {
                line[column] = colour;
            } else if (a != 0) {
                line[column] = blend(colour, under, a);
            }
        }
    }
}

std::vector<std::string> TextRenderer::wrap_lines(std::string_view text, std::int32_t max_width,
                                                  float size) const {
    const auto limit = static_cast<float>(max_width);
    if (cache_ != nullptr) {
        GlyphCache::Size& glyphs = cache_->at_size(size);
        return wrap(text, limit,
                    [&glyphs](char32_t code_point) { return glyphs.advance_width(code_point); });
    }
    return wrap(text, limit, [&](char32_t code_point) { return advance_width(code_point, size); });
}

std::int32_t TextRenderer::draw_wrapped(std::string_view text, std::int32_t x, std::int32_t y,
                                        std::int32_t max_width, std::int32_t line_height,
                                        std::uint32_t colour, float size,
                                        std::int32_t clip_bottom) {
    const std::vector<std::string> lines = wrap_lines(text, max_width, size);
    if (lines.empty())
        return line_height;
    std::int64_t line_y = y;
    for (const std::string& line : lines) {
        if (-std::int64_t{line_height} <= line_y && line_y <= clip_bottom)
            draw_text(line, x, static_cast<std::int32_t>(line_y), colour, size);
        line_y += line_height;
    }
    return static_cast<std::int32_t>(line_y - y);
}

std::string TextRenderer::fit_with_ellipsis(std::string_view text, float size,
                                            float max_width) const {
    if (measure_text(text, size) <= max_width)
        return std::string(text);

    // Where each character starts and the width of the text before it, so
    // every candidate is measured in one step with the same sum as whole.
    std::vector<std::size_t> starts;
    std::vector<float> widths;
    float width = 0.0f;
    for (std::size_t pos = 0; pos < text.size();) {
        const Utf8Step step = decode_utf8_step(text, pos);
        starts.push_back(pos);
        widths.push_back(width);
        width += advance_width(step.code_point, size);
        pos += step.length;
    }
    starts.push_back(text.size());
    widths.push_back(width);

    std::size_t keep = starts.size() - 1;  // characters kept
    while (keep > 0 && add_advances(widths[keep], "...", size) > max_width)
        --keep;
    return std::string(text.substr(0, starts[keep])) + "...";
}

TextRenderer::BadgeBox TextRenderer::badge_box(std::string_view text, float size) const {
    return {truncate(measure_text(text, size)) + 2 * kBadgeTextX, truncate(size) + 10};
}

void TextRenderer::draw_badge(std::string_view text, std::int32_t x, std::int32_t y,
                              std::uint32_t background, std::uint32_t foreground, float size) {
    const BadgeBox box = badge_box(text, size);
    surface_.fill_rounded_rect(x, y, box.width, box.height, kBadgeRadius, background);
    draw_text(text, x + kBadgeTextX, y + kBadgeTextY, foreground, size);
}

}  // namespace papyr
