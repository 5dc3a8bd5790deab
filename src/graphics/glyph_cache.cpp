#include "graphics/glyph_cache.h"

#include <bit>

namespace papyr {
namespace {

// Every size the screens use times the glyphs of a long Vietnamese article
// stays far below this; the bound only keeps an odd caller (a size that
// changes every frame) from growing the cache without end.
constexpr std::size_t kMaxEntries = 8192;

std::uint64_t key(std::uint32_t glyph, float size) {
    return std::uint64_t{glyph} << 32 | std::bit_cast<std::uint32_t>(size);
}

}  // namespace

GlyphCache::Entry& GlyphCache::entry(std::uint32_t glyph, float size) {
    const std::uint64_t k = key(glyph, size);
    if (const auto found = entries_.find(k); found != entries_.end())
        return found->second;
    if (entries_.size() >= kMaxEntries)
        entries_.clear();
    Entry& created = entries_[k];
    created.glyph.metrics = font_.metrics(glyph, size);
    return created;
}

const Glyph& GlyphCache::glyph(std::uint32_t glyph, float size) {
    Entry& found = entry(glyph, size);
    if (!found.rasterized) {
        found.glyph = font_.rasterize(glyph, size);
        found.rasterized = true;
    }
    return found.glyph;
}

float GlyphCache::advance_width(std::uint32_t glyph, float size) {
    return entry(glyph, size).glyph.metrics.advance_width;
}

}  // namespace papyr
