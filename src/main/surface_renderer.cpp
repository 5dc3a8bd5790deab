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
    // Asked only where the reader draws an article, as drawing would.
    const bool saved = state.reader_open && state.article && is_saved_(state.article->url);
    const auto width = surface_.width();
    const auto height = surface_.height();
    if (last_drawn_.update(state, saved, width, height)) {
        TextRenderer text(glyphs_, surface_);
        // The mark was looked up once above, for the one url drawing asks.
        const SavedLookup mark = [saved](std::string_view) { return saved; };
        if (const auto content_height = draw_frame(state, surface_, text, mark, layouts_))
            state.reader_content_height = *content_height;
        ++frames_drawn_;
        // The height just stored is kept too, so the next frame compares
        // equal unless something else changes it.
        (void)last_drawn_.update(state, saved, width, height);
    }
    surface_.present();
    if (snapshots_ != nullptr)
        snapshots_->frame_drawn(surface_);
}

std::int32_t SurfaceRenderer::screen_height() const {
    return static_cast<std::int32_t>(surface_.height());
}

}  // namespace papyr
