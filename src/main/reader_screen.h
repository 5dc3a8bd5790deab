#pragma once

// The reader: one article as a continuous page scrolled under a fixed header
// (source, reading progress, font size) and above a fixed footer (saved mark
// and key hints, or the notice).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/draw_list.h"
#include "graphics/text_renderer.h"
#include "main/app_state.h"
#include "main/theme.h"

namespace papyr {

// Whether the bookmarks hold an entry whose link is this article url.
using SavedLookup = std::function<bool(std::string_view url)>;

// "Báo: …", then the author and the date when the article has them, then
// the reading time.
std::string reader_meta_line(const ArticleDetail& article);

// How far through the article the reader is, 0 to 100: the scroll over the
// scroll range (at least 1), computed in floats and truncated.
std::int32_t reading_progress(std::int32_t scroll, std::int32_t content_height,
                              std::int32_t screen_height);

// A block of wrapped text placed on the page: its lines are line_height
// apart from `top`, in content coordinates (the page at scroll 0).
struct PlacedText {
    std::vector<std::string> lines;
    float size = 0;
    std::int32_t line_height = 0;
    std::int32_t top = 0;
    // What the block takes on the page: a text without words still takes a
    // line.
    std::int32_t height() const;
    bool operator==(const PlacedText&) const = default;
};

// Where everything of an article falls, in content coordinates. It depends
// only on the article, the font scale and the screen width, never on the
// scroll, so it is made once and reused while the reader scrolls.
struct ReaderLayout {
    PlacedText title;
    std::string meta_line;
    std::int32_t meta_y = 0;
    std::int32_t separator_y = 0;
    bool has_summary = false;
    std::int32_t summary_top = 0;  // the box's top; its text starts 12 below
    std::int32_t summary_box_height = 0;
    PlacedText summary;
    std::vector<PlacedText> paragraphs;
    std::int32_t end_y = 0;  // below the last paragraph's gap; the end marker sits 10 lower
    std::int32_t end_marker_width = 0;
    // What the caller stores as the state's reader_content_height.
    std::int32_t content_height() const { return end_y - 30; }
    bool operator==(const ReaderLayout&) const = default;
};

[[nodiscard]] ReaderLayout layout_article(const ArticleDetail& article, const FontScale& scale,
                                          std::int32_t screen_width, const TextRenderer& text);

// Keeps the layouts of the last article drawn, one for each font scale.
// The article is kept by value and compared whole on every use, so an
// article replaced or changed in any way (even one equal in length) is laid
// out again, never drawn with the lines of another.
class ReaderLayoutCache {
  public:
    const ReaderLayout& layout_for(const ArticleDetail& article, std::size_t font_scale_index,
                                   std::int32_t screen_width, const TextRenderer& text);

    // Lays the article out at one more font scale it has no layout for yet,
    // the next one up from `font_scale_index` first; false when there was
    // none left. Meant for frames that draw nothing, so that changing the
    // scale finds its layout made and costs no more than drawing it.
    bool lay_out_another(const ArticleDetail& article, std::size_t font_scale_index,
                         std::int32_t screen_width, const TextRenderer& text);

  private:
    // Forgets every layout unless they were made for this article and width.
    void keep_only(const ArticleDetail& article, std::int32_t screen_width);

    std::optional<ArticleDetail> article_;
    std::int32_t screen_width_ = 0;
    std::array<std::optional<ReaderLayout>, kFontScaleCount> layouts_;
};

// Records the open article over a frame already filled with the theme's
// background and returns the height it laid out (independent of the
// scroll), which the caller stores as the state's reader_content_height.
// Without an article nothing is recorded and nothing is returned. The
// layout comes from the cache while it still fits the article, scale and
// width.
std::optional<std::int32_t> draw_reader(const AppState& state, DrawList& frame,
                                        const SavedLookup& is_saved, ReaderLayoutCache& layouts);

}  // namespace papyr
