#include "graphics/glyph_cache.h"

#include <bit>

namespace papyr {
namespace {

// The screens use about a dozen sizes and a few hundred characters each;
// these bounds only keep an odd caller (a size that changes every frame, a
// text in a script of thousands of characters) from growing the cache
// without end. Past either, everything is dropped and built again.
constexpr std::size_t kMaxSizes = 64;
constexpr std::size_t kMaxEntries = 8192;

}  // namespace

GlyphCache::Size::Entry& GlyphCache::Size::entry(char32_t code_point) {
    const std::size_t page_index = code_point / kPageSize;
    if (page_index >= pages_.size())
        pages_.resize(page_index + 1);
    std::unique_ptr<Page>& page = pages_[page_index];
    if (!page)
        page = std::make_unique<Page>();
    Entry& found = (*page)[code_point % kPageSize];
    if (!found.known) {
        found.glyph.metrics = font_.metrics(font_.glyph_index(code_point), size_);
        found.known = true;
        ++entry_count_;
    }
    return found;
}

const Glyph& GlyphCache::Size::glyph(char32_t code_point) {
    Entry& found = entry(code_point);
    if (!found.rasterized) {
        found.glyph = font_.rasterize(font_.glyph_index(code_point), size_);
        found.rasterized = true;
    }
    return found.glyph;
}

float GlyphCache::Size::advance_width(char32_t code_point) {
    return entry(code_point).glyph.metrics.advance_width;
}

const GlyphMetrics& GlyphCache::Size::metrics(char32_t code_point) {
    return entry(code_point).glyph.metrics;
}

GlyphCache::Size& GlyphCache::at_size(float size) {
    if (entry_count() >= kMaxEntries)
        sizes_.clear();
    // Compared bit for bit: the same float always finds the same glyphs.
    const auto bits = std::bit_cast<std::uint32_t>(size);
    for (const std::unique_ptr<Size>& known : sizes_) {
        if (std::bit_cast<std::uint32_t>(known->size()) == bits)
            return *known;
    }
    if (sizes_.size() >= kMaxSizes)
        sizes_.clear();
    return *sizes_.emplace_back(std::make_unique<Size>(font_, size));
}

std::size_t GlyphCache::entry_count() const {
    std::size_t count = 0;
    for (const std::unique_ptr<Size>& size : sizes_)
        count += size->entry_count();
    return count;
}

}  // namespace papyr
