#include "main/frame_drawing.h"

#include "main/feed_list_screen.h"
#include "main/help_overlay.h"
#include "main/theme.h"

namespace papyr {

std::optional<std::int32_t> record_frame(const AppState& state, DrawList& frame,
                                         const SavedLookup& is_saved, ReaderLayoutCache& layouts) {
    if (state.help_visible) {
        // Nothing of the screen beneath shows through the middle of the
        // panel, so it is not drawn there.
        frame.set_covered(help_panel_middle(static_cast<std::int32_t>(frame.width()),
                                            static_cast<std::int32_t>(frame.height())));
    }
    frame.fill(palette_for(state.theme_index).background);
    std::optional<std::int32_t> content_height;
    if (state.reader_open) {
        content_height = draw_reader(state, frame, is_saved, layouts);
    } else {
        draw_feed_list(state, frame);
    }
    if (state.help_visible)
        draw_help_overlay(state, frame);
    return content_height;
}

std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved) {
    ReaderLayoutCache fresh;
    return draw_frame(state, surface, text, is_saved, fresh);
}

std::optional<std::int32_t> draw_frame(const AppState& state, Framebuffer& surface,
                                       TextRenderer& text, const SavedLookup& is_saved,
                                       ReaderLayoutCache& layouts) {
    DrawList frame(surface.width(), surface.height(), text);
    const std::optional<std::int32_t> content_height =
        record_frame(state, frame, is_saved, layouts);
    frame.replay(surface, text, {0, surface.height()});
    return content_height;
}

}  // namespace papyr
