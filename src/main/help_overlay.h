#pragma once

// The help panel: the screen beneath darkened, a centred card listing the
// controls, and in place of its closing hint the offer of an available
// update.

#include <cstdint>

#include "graphics/draw_list.h"
#include "graphics/framebuffer.h"
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

// The middle of the panel, which the panel paints whole: between the rows
// of its rounded corners it fills every column of its width.
Framebuffer::Rect help_panel_middle(std::int32_t screen_width, std::int32_t screen_height);

// Records the panel over the finished screen, whichever it is. A covered
// rectangle set before the screen beneath (help_panel_middle) is left
// undimmed, then cleared before the panel paints over it.
void draw_help_overlay(const AppState& state, DrawList& frame);

}  // namespace papyr
