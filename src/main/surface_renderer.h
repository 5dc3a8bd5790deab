#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <vector>

#include "graphics/framebuffer.h"
#include "graphics/glyph_cache.h"
#include "graphics/row_plan.h"
#include "graphics/text_renderer.h"
#include "main/clock.h"
#include "main/frame_inputs.h"
#include "main/main_loop.h"
#include "main/reader_screen.h"
#include "main/snapshot.h"

namespace papyr {

// However still the screen, the whole buffer goes to the device again this
// often, so a picture another program drew over (the firmware's on-screen
// display, a console back from sleep) is mended within a second.
inline constexpr Nanoseconds kFullPresentInterval = std::chrono::seconds(1);

// Draws each frame into the surface's back buffer, stores the reader's
// laid-out height into the state, presents what changed and hands the
// buffer to the snapshot writer when there is one.
//
// A frame whose inputs are those of the frame before draws and presents
// nothing: the buffer and the device already hold its pixels. Any other
// frame is recorded first and compared, row by row, with the frame the
// buffer holds; only the rows that differ are drawn (rows that merely moved
// with scrolled content are shifted instead) and only those are presented.
class SurfaceRenderer final : public FrameRenderer {
  public:
    // "Now", for the periodic full present, comes from the steady clock.
    SurfaceRenderer(Framebuffer& surface, SavedLookup is_saved,
                    SnapshotWriter* snapshots = nullptr);
    SurfaceRenderer(Framebuffer& surface, Clock& clock, SavedLookup is_saved,
                    SnapshotWriter* snapshots = nullptr);
    void render(AppState& state) override;
    std::int32_t screen_height() const override;

    // How many frames were drawn rather than presented as they were.
    std::size_t frames_drawn() const { return frames_drawn_; }

    // The rows the last frame presented, top to bottom, as spans that
    // neither touch nor overlap, copied to the device when there is one
    // (the periodic full present included). Empty when the frame presented
    // nothing.
    std::span<const RowSpan> presented_rows() const { return presented_; }
    // The rows the last frame drew, without the periodic full present that
    // only mends the device: what a window showing the frames copies.
    std::span<const RowSpan> changed_rows() const { return changed_; }

  private:
    // Records the frame, draws what changed; returns the rows that did.
    std::vector<RowSpan> draw(AppState& state, bool saved);
    bool full_present_due(Instant now);

    Framebuffer& surface_;
    SteadyClock steady_clock_;
    Clock& clock_;
    // One for the whole run: the glyphs of a frame are mostly those of the
    // frame before, and cached glyphs draw the same pixels.
    GlyphCache glyphs_;
    TextRenderer text_;
    ReaderLayoutCache layouts_;
    SavedLookup is_saved_;
    SnapshotWriter* snapshots_;
    FrameInputs last_drawn_;
    std::optional<IndexedFrame> shown_;  // what the buffer holds
    std::optional<Instant> full_present_at_;
    std::vector<RowSpan> presented_;
    std::vector<RowSpan> changed_;
    std::size_t frames_drawn_ = 0;
};

}  // namespace papyr
