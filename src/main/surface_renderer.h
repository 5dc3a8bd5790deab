#pragma once

#include "graphics/framebuffer.h"
#include "graphics/glyph_cache.h"
#include "main/main_loop.h"
#include "main/reader_screen.h"
#include "main/snapshot.h"

namespace papyr {

// Draws each frame into the surface's back buffer, stores the reader's
// laid-out height into the state, presents the buffer and hands it to the
// snapshot writer when there is one.
class SurfaceRenderer final : public FrameRenderer {
  public:
    SurfaceRenderer(Framebuffer& surface, SavedLookup is_saved,
                    SnapshotWriter* snapshots = nullptr);
    void render(AppState& state) override;
    std::int32_t screen_height() const override;

  private:
    Framebuffer& surface_;
    // One for the whole run: the glyphs of a frame are mostly those of the
    // frame before, and cached glyphs draw the same pixels.
    GlyphCache glyphs_;
    SavedLookup is_saved_;
    SnapshotWriter* snapshots_;
};

}  // namespace papyr
