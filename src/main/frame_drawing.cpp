#include "main/frame_drawing.h"

#include "main/feed_list_screen.h"
#include "main/help_overlay.h"
#include "main/theme.h"

namespace papyr {

std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved) {
    surface.fill(palette_for(state.theme_index).background);
    std::optional<std::int32_t> content_height;
    if (state.reader_open) {
        content_height = draw_reader(state, surface, text, is_saved);
    } else {
        draw_feed_list(state, surface, text);
    }
    if (state.help_visible)
        draw_help_overlay(state, surface, text);
    return content_height;
}

}  // namespace papyr
