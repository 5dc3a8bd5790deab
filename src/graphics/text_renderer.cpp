#include "graphics/text_renderer.h"

#include <cmath>
#include <limits>
#include <vector>

#include "news_api/unicode.h"
#include "news_api/utf8.h"

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

std::uint32_t blend(std::uint32_t foreground, std::uint32_t background, std::uint32_t coverage) {
    const auto channel = [&](int shift) {
        const std::uint32_t fg = (foreground >> shift) & 0xFFu;
        const std::uint32_t bg = (background >> shift) & 0xFFu;
        return ((fg * coverage + bg * (255u - coverage)) / 255u) << shift;
    };
    return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

// The words of the text: runs of characters between Unicode white space.
std::vector<std::string_view> split_words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t word_start = 0;
    bool in_word = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Utf8Step step = decode_utf8_step(text, pos);
        const bool blank =
            step.kind == Utf8Step::Kind::Valid && is_unicode_whitespace(step.code_point);
        if (blank && in_word)
            words.push_back(text.substr(word_start, pos - word_start));
        if (!blank && !in_word)
            word_start = pos;
        in_word = !blank;
        pos += step.length;
    }
    if (in_word)
        words.push_back(text.substr(word_start));
    return words;
}

}  // namespace

TextRenderer::TextRenderer(const Font& font, Framebuffer& surface)
    : font_(font), surface_(surface) {}

TextRenderer::TextRenderer(GlyphCache& cache, Framebuffer& surface)
    : font_(cache.font()), cache_(&cache), surface_(surface) {}

float TextRenderer::advance_width(char32_t code_point, float size) const {
    const std::uint32_t glyph = font_.glyph_index(code_point);
    return cache_ != nullptr ? cache_->advance_width(glyph, size)
                             : font_.advance_width(glyph, size);
}

float TextRenderer::add_advances(float start, std::string_view text, float size) const {
    float width = start;
    for_each_code_point(text,
                        [&](char32_t code_point) { width += advance_width(code_point, size); });
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
    for_each_code_point(text, [&](char32_t code_point) {
        const std::uint32_t index = font_.glyph_index(code_point);
        const auto place = [&](const Glyph& glyph) {
            const GlyphMetrics& m = glyph.metrics;
            const std::int64_t left = std::int64_t{m.xmin} + truncate(pen_x);
            const std::int64_t top = baseline - m.ymin - static_cast<std::int64_t>(m.height);
            blend_glyph(glyph, left, top, colour);
            pen_x += m.advance_width;
        };
        if (cache_ != nullptr) {
            place(cache_->glyph(index, size));
        } else {
            place(font_.rasterize(index, size));
        }
    });
}

void TextRenderer::blend_glyph(const Glyph& glyph, std::int64_t left, std::int64_t top,
                               std::uint32_t colour) {
    const std::size_t width = glyph.metrics.width;
    const std::size_t height = glyph.metrics.height;
    const auto surface_width = static_cast<std::int64_t>(surface_.width());
    const auto surface_height = static_cast<std::int64_t>(surface_.height());
    const auto pixels = surface_.pixels();
    for (std::size_t row = 0; row < height; ++row) {
        const std::int64_t py = top + static_cast<std::int64_t>(row);
        if (py < 0 || py >= surface_height)
            continue;
        const std::uint8_t* coverage = glyph.coverage.data() + row * width;
        std::uint32_t* line = pixels.data() + static_cast<std::size_t>(py) * surface_.width();
        for (std::size_t column = 0; column < width; ++column) {
            const std::uint32_t a = coverage[column];
            const std::int64_t px = left + static_cast<std::int64_t>(column);
            if (a == 0 || px < 0 || px >= surface_width)
                continue;
            std::uint32_t& pixel = line[static_cast<std::size_t>(px)];
            pixel = a == 255 ? colour : blend(colour, pixel, a);
        }
    }
}

std::int32_t TextRenderer::draw_wrapped(std::string_view text, std::int32_t x, std::int32_t y,
                                        std::int32_t max_width, std::int32_t line_height,
                                        std::uint32_t colour, float size,
                                        std::int32_t clip_bottom) {
    const std::vector<std::string_view> words = split_words(text);
    if (words.empty())
        return line_height;

    const float space_width = measure_text(" ", size);
    const auto limit = static_cast<float>(max_width);
    std::string line;
    // Always equal to measure_text(line): the same advances added in the
    // same order, without measuring the growing line again for every word.
    float line_width = 0.0f;
    std::int64_t line_y = y;
    const auto emit = [&] {
        if (-std::int64_t{line_height} <= line_y && line_y <= clip_bottom) {
            draw_text(line, x, static_cast<std::int32_t>(line_y), colour, size);
        }
        line_y += line_height;
    };

    for (const std::string_view word : words) {
        const float word_width = measure_text(word, size);
        if (!line.empty() && line_width + space_width + word_width > limit) {
            emit();
            line.assign(word);
            line_width = word_width;
            continue;
        }
        if (!line.empty()) {
            line.push_back(' ');
            line_width += space_width;
        }
        line.append(word);
        line_width = add_advances(line_width, word, size);
    }
    emit();
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

void TextRenderer::draw_badge(std::string_view text, std::int32_t x, std::int32_t y,
                              std::uint32_t background, std::uint32_t foreground, float size) {
    const std::int32_t text_width = truncate(measure_text(text, size));
    surface_.fill_rounded_rect(x, y, text_width + 16, truncate(size) + 10, 6, background);
    draw_text(text, x + 8, y + 4, foreground, size);
}

}  // namespace papyr
