#include "main/state_update.h"

#include <algorithm>
#include <chrono>
#include <type_traits>
#include <utility>

#include "main/theme.h"

namespace papyr {
namespace {

constexpr std::size_t kSourceCount = 7;

std::int64_t whole_milliseconds(Nanoseconds duration) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}

std::int64_t whole_seconds(Nanoseconds duration) {
    return std::chrono::duration_cast<std::chrono::seconds>(duration).count();
}

std::int32_t clamp_scroll(std::int64_t value, std::int32_t max_scroll) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, std::max(0, max_scroll)));
}

void toggle_bookmark_with_notice(AppState& state, ActionContext& context,
                                 const NewsFeedItem& item) {
    const bool saved = context.effects.toggle_bookmark(item);
    set_notice(state,
               saved ? "Đã lưu bài viết để đọc offline!" : "Đã xóa bài viết khỏi mục đã lưu.",
               context.clock.now());
}

// The saved-list entry for the article open in the reader.
NewsFeedItem bookmark_entry_for(const ArticleDetail& article) {
    NewsFeedItem item;
    item.id = "saved";
    item.title = article.title;
    item.lead = article.lead;
    item.link = article.url;
    item.pub_date = article.pub_date.value_or("");
    item.author = article.author;
    item.source_id = "saved";
    item.source_name = article.source;
    item.category_id = "saved";
    return item;
}

// Shared by category and source switches: the list empties at once (the
// loading text shows) and the new feed is requested.
void switch_feed(AppState& state, ActionContext& context, const char* notice_prefix) {
    state.items.clear();
    state.selected = 0;
    state.scroll_top = 0;
    const NewsSource& source = state.current_source();
    const NewsCategory& category = state.current_category();
    set_notice(state, notice_prefix + source.name + " > " + category.name, context.clock.now());
    context.effects.start_feed_refresh(source.id, category.id, state.source_index,
                                       state.category_index);
}

void handle_reader_action(AppState& state, Action action, ActionContext& context) {
    const std::int64_t scroll = state.reader_scroll;
    switch (action) {
        case Action::Up:
            state.reader_scroll = clamp_scroll(scroll - kReaderLineStep, INT32_MAX);
            break;
        case Action::Down:
            state.reader_scroll = static_cast<std::int32_t>(
                std::min<std::int64_t>(context.max_scroll, scroll + kReaderLineStep));
            break;
        case Action::Right:
        case Action::NextSource:
        case Action::NextCategory:
            state.reader_scroll = static_cast<std::int32_t>(
                std::min<std::int64_t>(context.max_scroll, scroll + kReaderPageStep));
            break;
        case Action::Left:
        case Action::PrevSource:
        case Action::PrevCategory:
            state.reader_scroll = clamp_scroll(scroll - kReaderPageStep, INT32_MAX);
            break;
        case Action::Confirm:
            break;
        case Action::Cancel:
            state.reader_open = false;
            break;
        case Action::ActionX:
            state.font_scale_index = (state.font_scale_index + 1) % kFontScaleCount;
            set_notice(state, "Cỡ chữ: " + std::string(kFontScales[state.font_scale_index].label),
                       context.clock.now());
            break;
        case Action::ActionY:
            if (state.article)
                toggle_bookmark_with_notice(state, context, bookmark_entry_for(*state.article));
            break;
        case Action::ToggleTheme:
        case Action::HelpToggle:
        case Action::Exit:
            break;  // handled before the views
    }
}

void handle_list_action(AppState& state, Action action, ActionContext& context) {
    const std::size_t count = state.items.size();
    const std::size_t categories = state.current_source().categories.size();
    switch (action) {
        case Action::Up:
            if (state.selected > 0) {
                --state.selected;
                state.scroll_top = std::min(state.scroll_top, state.selected);
            }
            break;
        case Action::Down:
            if (state.selected + 1 < count) {
                ++state.selected;
                if (state.selected >= state.scroll_top + kListWindow) {
                    state.scroll_top = state.selected - (kListWindow - 1);
                }
            }
            break;
        case Action::Right:
        case Action::NextCategory:
            state.category_index = (state.category_index + 1) % categories;
            switch_feed(state, context, "Chuyên mục: ");
            break;
        case Action::Left:
        case Action::PrevCategory:
            state.category_index =
                state.category_index == 0 ? categories - 1 : state.category_index - 1;
            switch_feed(state, context, "Chuyên mục: ");
            break;
        case Action::NextSource:
            state.source_index = (state.source_index + 1) % kSourceCount;
            state.category_index = 0;
            switch_feed(state, context, "Nguồn báo: ");
            break;
        case Action::PrevSource:
            state.source_index =
                state.source_index == 0 ? kSourceCount - 1 : state.source_index - 1;
            state.category_index = 0;
            switch_feed(state, context, "Nguồn báo: ");
            break;
        case Action::Confirm:
            if (state.selected < count) {
                const NewsFeedItem& item = state.items[state.selected];
                set_notice(state, "Đang tải nội dung bài: " + item.title + "...",
                           context.clock.now());
                context.effects.start_article_fetch(item.link);
            }
            break;
        case Action::Cancel:
            set_notice(state, "Nhấn phím [MENU] để thoát ứng dụng", context.clock.now());
            break;
        case Action::ActionX: {
            const NewsSource& source = state.current_source();
            set_notice(state, "Đang làm mới tin tức " + source.name + "...", context.clock.now());
            context.effects.start_feed_refresh(source.id, state.current_category().id,
                                               state.source_index, state.category_index);
            break;
        }
        case Action::ActionY:
            if (state.selected < count)
                toggle_bookmark_with_notice(state, context, state.items[state.selected]);
            break;
        case Action::ToggleTheme:
        case Action::HelpToggle:
        case Action::Exit:
            break;  // handled before the views
    }
}

// The help panel swallows every action but the ones that close it or start
// an offered update.
void handle_help_action(AppState& state, Action action, ActionContext& context) {
    if (action == Action::ActionY && state.update) {
        set_notice(state, "Đang tải bản cập nhật OTA...", context.clock.now());
        context.effects.start_update_install(*state.update);
        state.help_visible = false;
    } else if (action == Action::Confirm || action == Action::Cancel ||
               action == Action::HelpToggle) {
        state.help_visible = false;
    }
}

}  // namespace

void set_notice(AppState& state, std::string text, Instant now) {
    state.notice = Notice{std::move(text), now};
}

void expire_notice(AppState& state, Instant now) {
    if (state.notice && elapsed_between(state.notice->set_at, now) > kNoticeLifetime) {
        state.notice.reset();
    }
}

std::int32_t reader_max_scroll(std::int32_t reader_content_height, std::int32_t screen_height) {
    const std::int64_t limit =
        std::int64_t{reader_content_height} - screen_height + kReaderBottomAllowance;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(limit, 0, INT32_MAX));
}

void handle_message(AppState& state, WorkerMessage message, Instant now) {
    std::visit(
        [&](auto&& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, FeedLoaded>) {
                if (m.source_index != state.source_index ||
                    m.category_index != state.category_index) {
                    return;  // a late answer for a feed the user has left
                }
                const std::size_t count = m.items.size();
                state.items = std::move(m.items);
                state.selected = 0;
                state.scroll_top = 0;
                set_notice(state, "Đã cập nhật " + std::to_string(count) + " tin tức mới", now);
            } else if constexpr (std::is_same_v<M, FeedFailed>) {
                set_notice(state, "Lỗi tải tin: " + m.error, now);
            } else if constexpr (std::is_same_v<M, ArticleLoaded>) {
                state.article = std::move(m.article);
                state.reader_scroll = 0;
                state.reader_content_height = 1000;
                state.reader_open = true;
                set_notice(state, "Đã mở bài báo chế độ Kindle", now);
            } else if constexpr (std::is_same_v<M, ArticleFailed>) {
                set_notice(state, "Lỗi đọc bài: " + m.error, now);
            } else if constexpr (std::is_same_v<M, UpdateAvailable>) {
                std::string notice =
                    "⬆ Có bản mới v" + m.manifest.version + "! Nhấn [START] để xem";
                state.update = std::move(m.manifest);
                set_notice(state, std::move(notice), now);
            } else if constexpr (std::is_same_v<M, UpdateInstalling>) {
                set_notice(state, "Đang tải & cài đặt cập nhật... Vui lòng chờ", now);
            } else if constexpr (std::is_same_v<M, UpdateFailed>) {
                set_notice(state, "Lỗi cập nhật OTA: " + m.error, now);
            }
        },
        std::move(message));
}

void handle_action(AppState& state, Action action, ActionContext& context) {
    const Nanoseconds since_start = elapsed_between(state.start_time, context.clock.now());
    const std::string name(action_name(action));

    // Buttons still held from the launcher must not close the program or
    // leave a view right after it starts.
    if ((action == Action::Cancel || action == Action::Exit) && whole_seconds(since_start) == 0) {
        context.log("[Main] Ignoring startup key " + name + " (" +
                    std::to_string(whole_milliseconds(since_start)) + "ms elapsed)");
        return;
    }
    context.log("[Main] Received action: " + name);

    if (state.help_visible) {
        handle_help_action(state, action, context);
        return;
    }

    switch (action) {
        case Action::ToggleTheme:
            state.theme_index = (state.theme_index + 1) % kThemeCount;
            set_notice(state, "Đổi màu nền: " + std::string(kThemeLongNames[state.theme_index]),
                       context.clock.now());
            return;
        case Action::HelpToggle:
            state.help_visible = true;
            return;
        case Action::Exit:
            if (whole_seconds(since_start) < 3) {
                context.log("[Main] Ignoring Exit during startup grace period (" +
                            std::to_string(whole_milliseconds(since_start)) + "ms elapsed)");
            } else {
                context.log("[Main] MENU button pressed. Exiting cleanly to MainUI.");
                state.running = false;
            }
            return;
        default:
            break;
    }

    if (state.reader_open) {
        handle_reader_action(state, action, context);
    } else {
        handle_list_action(state, action, context);
    }
}

}  // namespace papyr
