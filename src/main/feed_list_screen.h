#pragma once

// The home screen: header with the logo, the source and the category tabs,
// a window of up to five headline cards, a scrollbar and the footer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/draw_list.h"
#include "main/app_state.h"

namespace papyr {

// The first category whose tab is drawn: the strip slides so that the
// current tab and, where there is one, its neighbour on each side show.
std::size_t first_visible_tab(std::size_t category_count, std::size_t current);

struct TabSlot {
    std::size_t category = 0;
    std::int32_t x = 0;      // left edge of the tab; its name starts 10 further
    std::int32_t width = 0;  // trunc of the name's width at size 14
};

struct TabStrip {
    std::vector<TabSlot> tabs;  // the tabs that are drawn, left to right
    std::int32_t arrow_x = 0;   // where "[R2] ►" is drawn
};

// Places the tabs from `first` on, given every category name's truncated
// width: a tab is drawn only while its right end, plus room for the arrow,
// stays left of the badges at the right of the header.
TabStrip layout_tabs(std::span<const std::int32_t> name_widths, std::size_t first,
                     std::int32_t screen_width);

struct ThumbGeometry {
    std::int32_t y = 0;
    std::int32_t height = 0;
};

// The scrollbar thumb for a list of `count` entries (more than five); it
// follows the selection, not the window of drawn cards.
ThumbGeometry thumb_geometry(std::size_t count, std::size_t selected);

// Records the whole screen over a frame already filled with the theme's
// background. Changes no state.
void draw_feed_list(const AppState& state, DrawList& frame);

}  // namespace papyr
