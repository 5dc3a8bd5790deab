#include "graphics/font.h"

#include <stb/stb_truetype.h>
#include <unistd.h>

#include <string>

#include "base/diagnostics.h"
#include "graphics/embedded_font.h"

namespace papyr {

struct Font::Parsed {
    std::vector<std::uint8_t> bytes;  // stb reads the font in place
    stbtt_fontinfo info{};
};

namespace {

std::uint32_t read_u16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 8 | bytes[at + 1];
}

std::uint32_t read_u32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return read_u16(bytes, at) << 16 | read_u16(bytes, at + 2);
}

// stb_truetype trusts the offsets it reads. Checking that the table
// directory and every table it lists lie inside the data turns truncated or
// foreign bytes into an error instead of a read past the end; the glyph
// outlines themselves are trusted, as the only font ever drawn is the one
// compiled in.
Result<void> check_table_directory(std::span<const std::uint8_t> bytes, std::size_t start) {
    if (start > bytes.size() || bytes.size() - start < 12) {
        return fail("the table directory lies outside the data");
    }
    const std::size_t tables = read_u16(bytes, start + 4);
    if (bytes.size() - start - 12 < tables * 16)
        return fail("the table directory is truncated");
    for (std::size_t i = 0; i < tables; ++i) {
        const std::size_t record = start + 12 + i * 16;
        const std::uint64_t offset = read_u32(bytes, record + 8);
        const std::uint64_t length = read_u32(bytes, record + 12);
        if (offset + length > bytes.size())
            return fail("a font table lies past the end of the data");
    }
    return {};
}

bool has_size(float size) {
    return size > 0.0f;
}

}  // namespace

Font::Font(std::unique_ptr<Parsed> parsed) : parsed_(std::move(parsed)) {}
Font::Font(Font&&) noexcept = default;
Font& Font::operator=(Font&&) noexcept = default;
Font::~Font() = default;

Result<Font> Font::from_bytes(std::span<const std::uint8_t> bytes) {
    // 16 bytes cover everything stb reads to find the first font.
    if (bytes.size() < 16)
        return fail("the data is too short to be a font");
    auto parsed = std::make_unique<Parsed>();
    parsed->bytes.assign(bytes.begin(), bytes.end());
    const std::uint8_t* data = parsed->bytes.data();

    const int offset = stbtt_GetFontOffsetForIndex(data, 0);
    if (offset < 0)
        return fail("the data is not a TrueType font or collection");
    if (auto checked = check_table_directory(parsed->bytes, static_cast<std::size_t>(offset));
        !checked) {
        return fail(checked.error());
    }
    if (stbtt_InitFont(&parsed->info, data, offset) == 0) {
        return fail("the font lacks a required table (cmap, head, hhea, hmtx, loca or glyf)");
    }
    // units-per-em divides every scale.
    if (read_u16(parsed->bytes, static_cast<std::size_t>(parsed->info.head) + 18) == 0) {
        return fail("the font's units per em is zero");
    }
    return Font(std::move(parsed));
}

const Font& Font::embedded() {
    static const Font font = [] {
        Result<Font> parsed = Font::from_bytes(std::span(kEmbeddedFont, kEmbeddedFontSize));
        if (!parsed) {
            write_diagnostic_line("Failed to load embedded font: " + parsed.error());
            // No static destructors: other threads may be running.
            ::_exit(1);
        }
        return std::move(parsed).value();
    }();
    return font;
}

std::uint32_t Font::glyph_index(char32_t code_point) const {
    // stb answers 0 for a character the font lacks.
    const int glyph = stbtt_FindGlyphIndex(&parsed_->info, static_cast<int>(code_point));
    return static_cast<std::uint32_t>(glyph);
}

float Font::advance_width(std::uint32_t glyph, float size) const {
    if (!has_size(size))
        return 0.0f;
    int advance = 0;
    int left_side_bearing = 0;
    stbtt_GetGlyphHMetrics(&parsed_->info, static_cast<int>(glyph), &advance, &left_side_bearing);
    return static_cast<float>(advance) * stbtt_ScaleForMappingEmToPixels(&parsed_->info, size);
}

GlyphMetrics Font::metrics(std::uint32_t glyph, float size) const {
    if (!has_size(size))
        return {};
    const float scale = stbtt_ScaleForMappingEmToPixels(&parsed_->info, size);
    // stb's box is in pixels with y pointing down: y0 is the top row above
    // the baseline (negative), y1 one past the bottom row.
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    stbtt_GetGlyphBitmapBox(&parsed_->info, static_cast<int>(glyph), scale, scale, &x0, &y0, &x1,
                            &y1);
    GlyphMetrics metrics;
    metrics.xmin = x0;
    metrics.ymin = -y1;
    metrics.width = static_cast<std::size_t>(x1 - x0);
    metrics.height = static_cast<std::size_t>(y1 - y0);
    metrics.advance_width = advance_width(glyph, size);
    return metrics;
}

Glyph Font::rasterize(std::uint32_t glyph, float size) const {
    Glyph result;
    result.metrics = metrics(glyph, size);
    const std::size_t width = result.metrics.width;
    const std::size_t height = result.metrics.height;
    if (width == 0 || height == 0)
        return result;
    result.coverage.resize(width * height);
    const float scale = stbtt_ScaleForMappingEmToPixels(&parsed_->info, size);
    stbtt_MakeGlyphBitmap(&parsed_->info, result.coverage.data(), static_cast<int>(width),
                          static_cast<int>(height), static_cast<int>(width), scale, scale,
                          static_cast<int>(glyph));
    return result;
}

}  // namespace papyr
