#pragma once

// The help panel: the screen beneath darkened, a centred card listing the
// controls, and in place of its closing hint the offer of an available
// update.

#include <cstdint>

#include "graphics/framebuffer.h"
#include "graphics/text_renderer.h"
#include "main/app_state.h"

namespace papyr {

struct PanelOrigin {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

inline constexpr std::int32_t kHelpPanelWidth = 660;
inline constexpr std::int32_t kHelpPanelHeight = 420;

// Top-left corner of the panel, centred (integer halves, towards zero).
PanelOrigin help_panel_origin(std::int32_t screen_width, std::int32_t screen_height);

// Draws over the finished screen, whichever it is.
void draw_help_overlay(const AppState& state, Framebuffer& surface, TextRenderer& text);

}  // namespace papyr
