#include "main/feed_list_screen.h"

#include <algorithm>
#include <string>

#include "main/state_update.h"
#include "main/theme.h"

namespace papyr {
namespace {

constexpr std::int32_t kHeaderHeight = 60;
constexpr std::int32_t kFooterHeight = 38;
constexpr std::int32_t kListTop = 70;
constexpr std::int32_t kCardPitch = 112;
constexpr std::int32_t kCardHeight = 100;
constexpr std::int32_t kCardRadius = 12;
constexpr std::int32_t kCardFrame = 3;
constexpr std::int32_t kScrollbarHeight = 548;
constexpr std::int32_t kTabsLeft = 500;

constexpr float kTabSize = 14;

std::int32_t truncated_width(const TextRenderer& text, std::string_view s, float size) {
    return static_cast<std::int32_t>(text.measure_text(s, size));
}

void draw_header(const AppState& state, const Palette& p, std::int32_t w, DrawList& frame) {
    frame.fill_rect(0, 0, w, kHeaderHeight, p.bar);
    frame.fill_rect(0, kHeaderHeight - 2, w, 2, p.border);

    frame.fill_rounded_rect(16, 12, 120, 36, 8, p.accent);
    frame.draw_text("PAPYR", 26, 20, kWhite, 18);

    frame.draw_text("◄ [L1] " + state.current_source().name + " [R1] ►", 150, 20, p.text, 18);
    frame.draw_text("◄ [L2]", 445, 22, p.muted, kTabSize);

    const std::vector<NewsCategory>& categories = state.current_source().categories;
    std::vector<std::int32_t> widths;
    widths.reserve(categories.size());
    for (const NewsCategory& category : categories)
        widths.push_back(truncated_width(frame.text(), category.name, kTabSize));
    const TabStrip strip =
        layout_tabs(widths, first_visible_tab(categories.size(), state.category_index), w);
    for (const TabSlot& tab : strip.tabs) {
        const std::string& name = categories[tab.category].name;
        if (tab.category == state.category_index) {
            frame.fill_rounded_rect(tab.x, 14, tab.width + 20, 32, 6, p.accent);
            frame.draw_text(name, tab.x + 10, 22, kWhite, kTabSize);
        } else {
            frame.draw_text(name, tab.x + 10, 22, p.muted, kTabSize);
        }
    }
    frame.draw_text("[R2] ►", strip.arrow_x + 5, 22, p.muted, kTabSize);

    if (state.update) {
        frame.draw_badge("⬆ v" + state.update->version + " Mới", w - 240, 15, kUpdateOrange, kWhite,
                         12);
    }
    frame.draw_badge(kThemeBadgeNames[state.theme_index % kThemeCount], w - 130, 15, p.card, p.text,
                     12);
}

void draw_loading(const Palette& p, std::int32_t w, std::int32_t h, DrawList& frame) {
    frame.draw_text("Đang tải tin tức mới nhất từ máy chủ...", w / 2 - 160, h / 2 - 20, p.muted,
                    20);
    frame.draw_text("Vui lòng đảm bảo thiết bị đã kết nối Wi-Fi", w / 2 - 170, h / 2 + 15, p.muted,
                    16);
}

void draw_card(const NewsFeedItem& item, bool selected, std::int32_t top, const Palette& p,
               std::int32_t w, DrawList& frame) {
    const std::int32_t card_width = w - 40;
    frame.fill_rounded_rect(20, top, card_width, kCardHeight, kCardRadius,
                            selected ? p.card_selected : p.card);
    std::int32_t tx = 40;
    if (selected) {
        // Straight lines over the rounded fill: the frame has square corners.
        frame.fill_rect(20, top, card_width, kCardFrame, p.accent);
        frame.fill_rect(20, top + kCardHeight - kCardFrame, card_width, kCardFrame, p.accent);
        frame.fill_rect(20, top, kCardFrame, kCardHeight, p.accent);
        frame.fill_rect(w - 20 - kCardFrame, top, kCardFrame, kCardHeight, p.accent);
        frame.draw_text("►", 32, top + 16, p.accent, 20);
        tx = 56;
    }
    const std::int32_t limit = w - 110;
    frame.draw_text(frame.text().fit_with_ellipsis(item.title, 18, limit), tx, top + 14, p.text,
                    18);
    frame.draw_text(frame.text().fit_with_ellipsis(item.lead, 14, limit), tx, top + 42, p.muted,
                    14);
    frame.draw_text(item.source_name + " • " + item.pub_date, tx, top + 68, p.muted, 12);
}

void draw_scrollbar(const AppState& state, const Palette& p, std::int32_t w, DrawList& frame) {
    frame.fill_rounded_rect(w - 12, kListTop, 6, kScrollbarHeight, 3, p.border);
    const ThumbGeometry thumb = thumb_geometry(state.items.size(), state.selected);
    frame.fill_rounded_rect(w - 12, thumb.y, 6, thumb.height, 3, p.accent);
}

void draw_footer(const AppState& state, const Palette& p, std::int32_t w, std::int32_t h,
                 DrawList& frame) {
    frame.fill_rect(0, h - kFooterHeight, w, kFooterHeight, p.bar);
    frame.hline(0, h - kFooterHeight, w, p.border);
    // An empty notice still hides the hints.
    const std::string line =
        state.notice ? state.notice->text
                     : "Bài " + std::to_string(state.selected + 1) + "/" +
                           std::to_string(state.items.size()) +
                           " • [A] Đọc Kindle • [L2/R2 / ◄/►] Chuyên mục • [L1/R1] Báo • [X] "
                           "Tải lại • [SELECT] Nền • [START] Trợ giúp";
    frame.draw_text(line, 20, h - 28, p.text, 14);
}

}  // namespace

std::size_t first_visible_tab(std::size_t category_count, std::size_t current) {
    if (current < 3 || category_count <= 3)
        return 0;
    if (current + 2 > category_count)
        return category_count - 3;
    return current - 1;
}

TabStrip layout_tabs(std::span<const std::int32_t> name_widths, std::size_t first,
                     std::int32_t screen_width) {
    TabStrip strip;
    std::int32_t x = kTabsLeft;
    for (std::size_t i = first; i < name_widths.size(); ++i) {
        const std::int32_t width = name_widths[i];
        if (x + width + 85 > screen_width - 180)
            break;
        strip.tabs.push_back({i, x, width});
        x += width + 30;
    }
    strip.arrow_x = x;
    return strip;
}

ThumbGeometry thumb_geometry(std::size_t count, std::size_t selected) {
    const auto n = static_cast<float>(count);
    const auto height =
        static_cast<std::int32_t>(std::max(5.0f / n * static_cast<float>(kScrollbarHeight), 25.0f));
    const auto offset = static_cast<std::int32_t>(static_cast<float>(selected) / n *
                                                  static_cast<float>(kScrollbarHeight - height));
    return {kListTop + offset, height};
}

void draw_feed_list(const AppState& state, DrawList& frame) {
    const Palette& p = palette_for(state.theme_index);
    const auto w = static_cast<std::int32_t>(frame.width());
    const auto h = static_cast<std::int32_t>(frame.height());

    // The cards move a pitch up for each entry the window moves down.
    frame.set_content_offset(-std::int64_t{kCardPitch} *
                             static_cast<std::int64_t>(state.scroll_top));
    draw_header(state, p, w, frame);
    if (state.items.empty()) {
        draw_loading(p, w, h, frame);
        return;
    }

    const std::size_t end = std::min(state.items.size(), state.scroll_top + kListWindow);
    for (std::size_t i = state.scroll_top; i < end; ++i) {
        const auto k = static_cast<std::int32_t>(i - state.scroll_top);
        draw_card(state.items[i], i == state.selected, kListTop + kCardPitch * k, p, w, frame);
    }
    if (state.items.size() > kListWindow)
        draw_scrollbar(state, p, w, frame);
    draw_footer(state, p, w, h, frame);
}

}  // namespace papyr
