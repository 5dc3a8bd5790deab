#pragma once

// A TrueType font parsed from bytes, with the three things text drawing needs
// of it: the glyph of a character, a glyph's metrics at a pixel size, and its
// 8-bit coverage bitmap. There is no shaping, kerning or hinting.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/result.h"

namespace papyr {

// A glyph's placement at one pixel size, relative to the pen on the baseline.
struct GlyphMetrics {
    std::int32_t xmin = 0;    // from the pen to the bitmap's left column
    std::int32_t ymin = 0;    // from the baseline up to the bitmap's bottom row
    std::size_t width = 0;    // bitmap columns
    std::size_t height = 0;   // bitmap rows
    float advance_width = 0;  // how far the pen moves, unrounded
};

struct Glyph {
    GlyphMetrics metrics;
    // width × height bytes, top row first: 0 = not covered, 255 = covered.
    std::vector<std::uint8_t> coverage;
};

class Font {
  public:
    // Parses the font (the first one of a collection). The bytes are copied.
    [[nodiscard]] static Result<Font> from_bytes(std::span<const std::uint8_t> bytes);

    // DejaVu Sans Bold, compiled into the program and parsed on first use for
    // the rest of the run. Should it not parse, the program stops with
    // "Failed to load embedded font: " and the reason on standard error.
    static const Font& embedded();

    Font(Font&&) noexcept;
    Font& operator=(Font&&) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    // The glyph for a character; 0 (the missing-glyph box) when the font
    // has none.
    std::uint32_t glyph_index(char32_t code_point) const;

    // The metrics of a glyph at `size` pixels per em. A size that is not
    // positive gives an empty glyph that does not advance.
    float advance_width(std::uint32_t glyph, float size) const;
    GlyphMetrics metrics(std::uint32_t glyph, float size) const;
    Glyph rasterize(std::uint32_t glyph, float size) const;

  private:
    struct Parsed;
    explicit Font(std::unique_ptr<Parsed> parsed);

    std::unique_ptr<Parsed> parsed_;
};

}  // namespace papyr
