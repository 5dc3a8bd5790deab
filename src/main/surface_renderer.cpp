#include "main/surface_renderer.h"

#include <utility>

#include "graphics/draw_list.h"
#include "graphics/font.h"
#include "main/frame_drawing.h"

namespace papyr {

SurfaceRenderer::SurfaceRenderer(Framebuffer& surface, SavedLookup is_saved,
                                 SnapshotWriter* snapshots)
    : SurfaceRenderer(surface, steady_clock_, std::move(is_saved), snapshots) {}

SurfaceRenderer::SurfaceRenderer(Framebuffer& surface, Clock& clock, SavedLookup is_saved,
                                 SnapshotWriter* snapshots)
    : surface_(surface),
      clock_(clock),
      glyphs_(Font::embedded()),
      text_(glyphs_, surface),
      is_saved_(std::move(is_saved)),
      snapshots_(snapshots) {}

void SurfaceRenderer::render(AppState& state) {
    const Instant now = clock_.now();
    // Asked only where the reader draws an article, as drawing would.
    const bool saved = state.reader_open && state.article && is_saved_(state.article->url);
    presented_.clear();
    changed_.clear();
    if (last_drawn_.update(state, saved, surface_.width(), surface_.height())) {
        presented_ = draw(state, saved);
        changed_ = presented_;
    } else if (state.reader_open && state.article) {
        // A frame with nothing to draw has time to spare: the article is
        // laid out at the other font scales, one a frame, so the frame that
        // changes the scale only draws.
        (void)layouts_.lay_out_another(*state.article, state.font_scale_index,
                                       static_cast<std::int32_t>(surface_.width()), text_);
    }
    if (full_present_due(now))
        presented_.assign(1, RowSpan{0, surface_.height()});
    surface_.present_rows(presented_);
    if (snapshots_ != nullptr)
        snapshots_->frame_drawn(surface_);
}

std::vector<RowSpan> SurfaceRenderer::draw(AppState& state, bool saved) {
    // The mark was looked up once above, for the one url drawing asks.
    const SavedLookup mark = [saved](std::string_view) { return saved; };
    DrawList frame(surface_.width(), surface_.height(), text_);
    if (const auto content_height = record_frame(state, frame, mark, layouts_))
        state.reader_content_height = *content_height;
    ++frames_drawn_;
    // The height just stored is kept too, so the next frame compares equal
    // unless something else changes it.
    (void)last_drawn_.update(state, saved, surface_.width(), surface_.height());

    IndexedFrame next(std::move(frame));
    RowPlan plan = plan_rows(shown_ ? &*shown_ : nullptr, next);
    apply_plan(plan, next.list, surface_, text_);
    shown_.emplace(std::move(next));
    return std::move(plan.changed);
}

bool SurfaceRenderer::full_present_due(Instant now) {
    // A clock that went back starts the interval again, rather than
    // putting the next full present off until it has caught up.
    if (full_present_at_ && now < *full_present_at_)
        full_present_at_ = now;
    const bool due = !full_present_at_ || now - *full_present_at_ >= kFullPresentInterval;
    const bool drawn_whole =
        presented_.size() == 1 && presented_[0] == RowSpan{0, surface_.height()};
    if (due || drawn_whole)
        full_present_at_ = now;
    return due;
}

std::int32_t SurfaceRenderer::screen_height() const {
    return static_cast<std::int32_t>(surface_.height());
}

}  // namespace papyr
