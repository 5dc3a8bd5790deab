#pragma once

// Remembers what the font gives for each character at each size, so that a
// frame does not look characters up and rasterise them again and again. The
// cached results are exactly what the font computes, so drawing through the
// cache gives the same pixels as drawing without it. Meant to live across
// frames, next to the one font it was made for; one thread at a time.
//
// A hit costs two array indexings: the glyphs of one size are found once per
// text, and within a size characters sit in pages indexed by code point, so
// neither the font's character map nor a hash is consulted again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/font.h"

namespace papyr {

class GlyphCache {
  public:
    explicit GlyphCache(const Font& font) : font_(font) {}

    const Font& font() const { return font_; }

    // The glyphs of one pixel size.
    class Size {
      public:
        Size(const Font& font, float size) : font_(font), size_(size) {}

        float size() const { return size_; }
        // The rasterised glyph of the character (glyph 0 when the font has
        // none); valid until the cache is next asked for a size.
        const Glyph& glyph(char32_t code_point);
        float advance_width(char32_t code_point);
        // Where the glyph lies, without rasterising it.
        const GlyphMetrics& metrics(char32_t code_point);

        std::size_t entry_count() const { return entry_count_; }

      private:
        struct Entry {
            Glyph glyph;
            bool known = false;       // the metrics are filled in
            bool rasterized = false;  // so is the coverage
        };
        static constexpr std::size_t kPageSize = 64;
        using Page = std::array<Entry, kPageSize>;

        Entry& entry(char32_t code_point);

        const Font& font_;
        float size_;
        std::vector<std::unique_ptr<Page>> pages_;  // by code point / kPageSize
        std::size_t entry_count_ = 0;
    };

    // The glyphs at `size`; valid until the next call of at_size.
    Size& at_size(float size);

    std::size_t entry_count() const;

  private:
    const Font& font_;
    std::vector<std::unique_ptr<Size>> sizes_;
};

}  // namespace papyr
