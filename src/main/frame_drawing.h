#pragma once

#include <cstdint>
#include <optional>

#include "graphics/draw_list.h"
#include "graphics/framebuffer.h"
#include "graphics/text_renderer.h"
#include "main/app_state.h"
#include "main/reader_screen.h"

namespace papyr {

// One whole frame recorded: the theme's background, then the reader or the
// feed list, then the help panel when it is open. Returns the reader's
// laid-out height when the reader drew an article; the layout comes from the
// cache while it fits.
std::optional<std::int32_t> record_frame(const AppState& state, DrawList& frame,
                                         const SavedLookup& is_saved, ReaderLayoutCache& layouts);

// The same frame drawn into the back buffer at once, without presenting it.
// The first form lays an article out afresh; the second reuses the cache's
// layout while it fits.
std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved);
std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved,
                                       ReaderLayoutCache& layouts);

}  // namespace papyr
