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

GlyphCache::Size::Entry& GlyphCache::Size::new_entry(char32_t code_point) {
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
        ++total_entries_;
    }
    return found;
}

void GlyphCache::Size::rasterize(Entry& found, char32_t code_point) {
    found.glyph = font_.rasterize(font_.glyph_index(code_point), size_);
    found.rasterized = true;
}

GlyphCache::Size& GlyphCache::at_size(float size) {
    // Compared bit for bit: the same float always finds the same glyphs.
    const auto bits = std::bit_cast<std::uint32_t>(size);
    if (total_entries_ >= kMaxEntries)
        clear();
    if (last_ != nullptr && std::bit_cast<std::uint32_t>(last_->size()) == bits)
        return *last_;
    for (const std::unique_ptr<Size>& known : sizes_) {
        if (std::bit_cast<std::uint32_t>(known->size()) == bits) {
            last_ = known.get();
            return *last_;
        }
    }
    if (sizes_.size() >= kMaxSizes)
        clear();
    last_ = sizes_.emplace_back(std::make_unique<Size>(font_, size, total_entries_)).get();
    return *last_;
}

void GlyphCache::clear() {
    sizes_.clear();
    last_ = nullptr;
    total_entries_ = 0;
}

}  // namespace papyr
