#pragma once

// The reader: one article as a continuous page scrolled under a fixed header
// (source, reading progress, font size) and above a fixed footer (saved mark
// and key hints, or the notice).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "graphics/framebuffer.h"
#include "graphics/text_renderer.h"
#include "main/app_state.h"

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

// Draws the open article over a surface already filled with the theme's
// background and returns the height it laid out (independent of the
// scroll), which the caller stores as the state's reader_content_height.
// Without an article nothing is drawn and nothing is returned.
std::optional<std::int32_t> draw_reader(const AppState& state, Framebuffer& surface,
                                        TextRenderer& text, const SavedLookup& is_saved);

}  // namespace papyr
