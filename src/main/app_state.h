#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "main/catalogue.h"
#include "main/clock.h"
#include "news_api/records.h"

namespace papyr {

struct Notice {
    std::string text;
    Instant set_at;
};

// Everything the screens are drawn from. Only the main thread reads or
// writes it.
struct AppState {
    std::vector<NewsSource> sources;
    std::size_t source_index = 0;
    std::size_t category_index = 0;  // always valid for the current source

    std::vector<NewsFeedItem> items;  // empty: the list shows its loading text
    std::size_t selected = 0;
    std::size_t scroll_top = 0;  // first of the (at most five) drawn entries

    std::size_t theme_index = 0;       // 0 paper, 1 OLED night, 2 sepia
    std::size_t font_scale_index = 1;  // 100%, 125%, 150%, 175%

    bool help_visible = false;
    bool reader_open = false;
    std::int32_t reader_scroll = 0;  // never below 0
    // Height of the article as the reader last laid it out; the scroll limit
    // of the next frame follows it.
    std::int32_t reader_content_height = 1000;

    std::optional<ArticleDetail> article;  // once set, only ever replaced
    std::optional<OtaManifest> update;     // a newer release, once known
    std::optional<Notice> notice;

    Instant start_time;
    bool running = true;

    const NewsSource& current_source() const { return sources[source_index]; }
    const NewsCategory& current_category() const {
        return current_source().categories[category_index];
    }
};

AppState make_initial_state(std::vector<NewsSource> sources, Instant start_time);

}  // namespace papyr
