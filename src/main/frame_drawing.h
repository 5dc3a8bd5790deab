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
// article.
std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved);

}  // namespace papyr
