#include "main/surface_renderer.h"

#include "main/theme.h"

namespace papyr {

void SurfaceRenderer::render(AppState& state) {
    surface_.fill(palette_for(state.theme_index).background);
    surface_.present();
}

std::int32_t SurfaceRenderer::screen_height() const {
    return static_cast<std::int32_t>(surface_.height());
}

}  // namespace papyr
