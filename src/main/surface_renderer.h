#pragma once

#include "graphics/framebuffer.h"
#include "main/main_loop.h"

namespace papyr {

// Draws each frame into the surface's back buffer and presents it.
class SurfaceRenderer final : public FrameRenderer {
  public:
    explicit SurfaceRenderer(Framebuffer& surface) : surface_(surface) {}
    void render(AppState& state) override;
    std::int32_t screen_height() const override;

  private:
    Framebuffer& surface_;
};

}  // namespace papyr
