#pragma once

#include <cstdint>
#include <optional>

#include "graphics/framebuffer.h"
#include "graphics/text_renderer.h"
#include "main/app_state.h"
#include "main/reader_screen.h"

namespace papyr {

// One whole frame into the back buffer, without presenting it: the theme's
// background, then the reader or the feed list, then the help panel when it
// is open. Returns the reader's laid-out height when the reader drew an
// article. The first form lays an article out afresh; the second reuses the
// cache's layout while it fits.
std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved);
std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved,
                                       ReaderLayoutCache& layouts);

}  // namespace papyr
