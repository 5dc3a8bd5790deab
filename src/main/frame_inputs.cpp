#include "main/frame_inputs.h"

#include <algorithm>
#include <span>

#include "main/state_update.h"

namespace papyr {
namespace {

// Replaces the kept value when it differs; true when it did.
template <class T>
bool keep(T& kept, const T& now) {
    if (kept == now)
        return false;
    kept = now;
    return true;
}

// Copied only when it differs, so an unchanged value costs no copy.
template <class T>
bool keep(std::optional<T>& kept, const T& now) {
    if (kept && *kept == now)
        return false;
    kept = now;
    return true;
}

template <class T>
bool keep(std::vector<T>& kept, std::span<const T> now) {
    if (std::equal(kept.begin(), kept.end(), now.begin(), now.end()))
        return false;
    kept.assign(now.begin(), now.end());
    return true;
}

// The headlines whose cards can be drawn: the window from scroll_top.
std::span<const NewsFeedItem> card_window(const AppState& state) {
    const std::span<const NewsFeedItem> items(state.items);
    const std::size_t first = std::min(state.scroll_top, items.size());
    return items.subspan(first, std::min(kListWindow, items.size() - first));
}

}  // namespace

bool FrameInputs::update(const AppState& state, bool saved, std::size_t width, std::size_t height) {
    // Counted rather than or-ed: every input is kept, even after a first
    // change was found.
    int changes = known_ ? 0 : 1;
    known_ = true;
    changes += keep(width_, width);
    changes += keep(height_, height);
    changes += keep(theme_index_, state.theme_index);
    changes += keep(help_visible_, state.help_visible);
    changes += keep(reader_open_, state.reader_open);
    changes += keep(update_, state.update);
    changes += state.notice ? keep(notice_, state.notice->text)
                            : keep(notice_, std::optional<std::string>());
    changes += keep(source_, state.current_source());
    changes += keep(category_index_, state.category_index);
    changes += keep(item_count_, state.items.size());
    changes += keep(selected_, state.selected);
    changes += keep(scroll_top_, state.scroll_top);
    changes += keep(drawn_items_, card_window(state));
    changes += keep(article_, state.article);
    changes += keep(font_scale_index_, state.font_scale_index);
    changes += keep(reader_scroll_, state.reader_scroll);
    changes += keep(reader_content_height_, state.reader_content_height);
    changes += keep(saved_, saved);
    return changes > 0;
}

}  // namespace papyr
