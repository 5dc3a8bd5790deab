#pragma once

#include "graphics/framebuffer.h"
#include "graphics/glyph_cache.h"
#include "main/frame_inputs.h"
#include "main/main_loop.h"
#include "main/reader_screen.h"
#include "main/snapshot.h"

namespace papyr {

// Draws each frame into the surface's back buffer, stores the reader's
// laid-out height into the state, presents the buffer and hands it to the
// snapshot writer when there is one. A frame whose inputs are those of the
// frame before draws nothing: the buffer already holds its pixels.
class SurfaceRenderer final : public FrameRenderer {
  public:
    SurfaceRenderer(Framebuffer& surface, SavedLookup is_saved,
                    SnapshotWriter* snapshots = nullptr);
    void render(AppState& state) override;
    std::int32_t screen_height() const override;

    // How many frames were drawn rather than presented as they were.
    std::size_t frames_drawn() const { return frames_drawn_; }

  private:
    Framebuffer& surface_;
    // One for the whole run: the glyphs of a frame are mostly those of the
    // frame before, and cached glyphs draw the same pixels.
    GlyphCache glyphs_;
    ReaderLayoutCache layouts_;
    SavedLookup is_saved_;
    SnapshotWriter* snapshots_;
    FrameInputs last_drawn_;
    std::size_t frames_drawn_ = 0;
};

}  // namespace papyr
