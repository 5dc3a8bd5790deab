#pragma once

// Remembers what the font gives for each glyph at each size, so that a frame
// does not rasterise the same letters again and again. The cached results
// are exactly what the font computes, so drawing through the cache gives the
// same pixels as drawing without it. Meant to live across frames, next to
// the one font it was made for; one thread at a time.

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "graphics/font.h"

namespace papyr {

class GlyphCache {
  public:
    explicit GlyphCache(const Font& font) : font_(font) {}

    const Font& font() const { return font_; }

    // The rasterised glyph; valid until the next call on the cache.
    const Glyph& glyph(std::uint32_t glyph, float size);
    float advance_width(std::uint32_t glyph, float size);

    std::size_t entry_count() const { return entries_.size(); }

  private:
    struct Entry {
        Glyph glyph;
        bool rasterized = false;  // only the metrics are known until drawn
    };

    Entry& entry(std::uint32_t glyph, float size);

    const Font& font_;
    std::unordered_map<std::uint64_t, Entry> entries_;
};

}  // namespace papyr
