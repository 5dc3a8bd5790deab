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
    // Each size counts its entries into the cache that made it.
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    const Font& font() const { return font_; }

    // The glyphs of one pixel size.
    class Size {
      public:
        Size(const Font& font, float size, std::size_t& total_entries)
            : font_(font), size_(size), total_entries_(total_entries) {}

        float size() const { return size_; }
        // The rasterised glyph of the character (glyph 0 when the font has
        // none); valid until the cache is next asked for a size.
        const Glyph& glyph(char32_t code_point) {
            Entry& found = entry(code_point);
            if (!found.rasterized)
                rasterize(found, code_point);
            return found.glyph;
        }
        float advance_width(char32_t code_point) {
            return entry(code_point).glyph.metrics.advance_width;
        }
        // Where the glyph lies, without rasterising it.
        const GlyphMetrics& metrics(char32_t code_point) { return entry(code_point).glyph.metrics; }

        std::size_t entry_count() const { return entry_count_; }

      private:
        struct Entry {
            Glyph glyph;
            bool known = false;       // the metrics are filled in
            bool rasterized = false;  // so is the coverage
        };
        static constexpr std::size_t kPageSize = 64;
        using Page = std::array<Entry, kPageSize>;

        // In the header, so that the lookup of a known character (nearly
        // every one) costs two indexings where it is used.
        Entry& entry(char32_t code_point) {
            const std::size_t page_index = code_point / kPageSize;
            if (page_index < pages_.size() && pages_[page_index]) {
                Entry& found = (*pages_[page_index])[code_point % kPageSize];
                if (found.known)
                    return found;
            }
            return new_entry(code_point);
        }
        Entry& new_entry(char32_t code_point);
        void rasterize(Entry& found, char32_t code_point);

        const Font& font_;
        float size_;
        std::size_t& total_entries_;                // the cache's count over every size
        std::vector<std::unique_ptr<Page>> pages_;  // by code point / kPageSize
        std::size_t entry_count_ = 0;
    };

    // The glyphs at `size`; valid until the next call of at_size.
    Size& at_size(float size);

    std::size_t entry_count() const { return total_entries_; }

  private:
    void clear();

    const Font& font_;
    std::vector<std::unique_ptr<Size>> sizes_;
    Size* last_ = nullptr;  // what at_size gave last, asked again for most texts
    std::size_t total_entries_ = 0;
};

}  // namespace papyr
