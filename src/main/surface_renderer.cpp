#include "main/surface_renderer.h"

#include <utility>

#include "graphics/font.h"
#include "graphics/text_renderer.h"
#include "main/frame_drawing.h"

namespace papyr {

SurfaceRenderer::SurfaceRenderer(Framebuffer& surface, SavedLookup is_saved,
                                 SnapshotWriter* snapshots)
    : surface_(surface),
      glyphs_(Font::embedded()),
      is_saved_(std::move(is_saved)),
      snapshots_(snapshots) {}

void SurfaceRenderer::render(AppState& state) {
    TextRenderer text(glyphs_, surface_);
    if (const auto content_height = draw_frame(state, surface_, text, is_saved_))
        state.reader_content_height = *content_height;
    surface_.present();
    if (snapshots_ != nullptr)
        snapshots_->frame_drawn(surface_);
}

std::int32_t SurfaceRenderer::screen_height() const {
    return static_cast<std::int32_t>(surface_.height());
}

}  // namespace papyr
