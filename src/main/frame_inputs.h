#pragma once

// Everything the pixels of a frame depend on, kept by value from the last
// frame drawn. When a frame's inputs equal the kept ones, drawing would put
// the very pixels into the back buffer that it already holds, so the frame
// draws nothing and the buffer is presented as it is.
//
// Nothing is tracked through flags or counters that every change of the
// state would have to remember to bump: each input is compared with its kept
// copy on every frame, so a change made anywhere, in any way, is seen.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "main/app_state.h"

namespace papyr {

class FrameInputs {
  public:
    // Keeps this frame's inputs; true when any of them differs from those
    // kept before (always on the first frame). `saved` is the reader's saved
    // mark, which comes from a file rather than from the state.
    bool update(const AppState& state, bool saved, std::size_t width, std::size_t height);

  private:
    bool known_ = false;
    // The surface.
    std::size_t width_ = 0;
    std::size_t height_ = 0;
    // What every screen shows.
    std::size_t theme_index_ = 0;
    bool help_visible_ = false;
    bool reader_open_ = false;
    std::optional<std::string> notice_;  // its text: when it was set is not drawn
    std::optional<OtaManifest> update_;
    // The feed list.
    std::optional<NewsSource> source_;
    std::size_t category_index_ = 0;
    std::size_t item_count_ = 0;
    std::size_t selected_ = 0;
    std::size_t scroll_top_ = 0;
    std::vector<NewsFeedItem> drawn_items_;  // the window of cards
    // The reader.
    std::optional<ArticleDetail> article_;
    std::size_t font_scale_index_ = 0;
    std::int32_t reader_scroll_ = 0;
    std::int32_t reader_content_height_ = 0;  // written back by drawing; the scroll limit reads it
    bool saved_ = false;
};

}  // namespace papyr
