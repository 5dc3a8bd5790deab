// Draws the console's app-menu icon (packaging/icon.png) with the program's
// own drawing code: a teal tile with a newspaper page in the Paper theme's
// colours and the letter P as its masthead. The primitives draw hard edges,
// so the picture is drawn four times larger and averaged down, which gives
// smooth corners and letters at the icon's size.
//
// Usage: papyr-icon OUTPUT.png

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "graphics/font.h"
#include "graphics/framebuffer.h"
#include "graphics/png.h"
#include "graphics/text_renderer.h"
#include "main/theme.h"

namespace papyr {
namespace {

constexpr std::int32_t kSize = 128;
constexpr std::int32_t kScale = 4;
constexpr std::uint32_t kTransparent = 0x00000000;

// Every coordinate below is given at the icon's size and scaled here.
constexpr std::int32_t s(std::int32_t value) {
    return value * kScale;
}

void draw_page_lines(Framebuffer& surface, const Palette& paper) {
    // Two columns of body text under the headline, the right one shorter,
    // as on the front page of a paper.
    for (std::int32_t row = 0; row < 5; ++row) {
        const std::int32_t y = 72 + row * 7;
        surface.fill_rounded_rect(s(34), s(y), s(row == 4 ? 18 : 27), s(3), s(1), paper.muted);
        if (row < 4)
            surface.fill_rounded_rect(s(67), s(y), s(row == 3 ? 15 : 27), s(3), s(1), paper.muted);
    }
}

Framebuffer draw_large(const Font& font) {
    const Palette& paper = palette_for(static_cast<std::size_t>(Theme::Paper));
    Framebuffer surface = Framebuffer::in_memory(s(kSize), s(kSize));
    surface.fill(kTransparent);

    // The tile, and a second sheet peeking out under the page.
    surface.fill_rounded_rect(s(4), s(4), s(120), s(120), s(26), paper.accent);
    surface.fill_rounded_rect(s(30), s(22), s(72), s(88), s(6), paper.card_selected);
    surface.fill_rounded_rect(s(26), s(18), s(72), s(88), s(6), paper.background);

    // Masthead: the P on an accent badge, the headline beside it.
    surface.fill_rounded_rect(s(33), s(25), s(26), s(28), s(4), paper.accent);
    TextRenderer text(font, surface);
    const float letter_size = static_cast<float>(s(26));
    const auto letter_width = static_cast<std::int32_t>(text.measure_text("P", letter_size));
    text.draw_text("P", s(33) + (s(26) - letter_width) / 2, s(26), kWhite, letter_size);
    surface.fill_rounded_rect(s(64), s(27), s(27), s(5), s(2), paper.text);
    surface.fill_rounded_rect(s(64), s(37), s(27), s(5), s(2), paper.text);
    surface.fill_rounded_rect(s(64), s(47), s(18), s(4), s(2), paper.muted);

    surface.fill_rect(s(33), s(61), s(58), s(2), paper.border);
    draw_page_lines(surface, paper);
    return surface;
}

// Averages each kScale × kScale block. Colours are weighted by their alpha,
// so the transparent surroundings do not darken the tile's edge.
Framebuffer shrink(const Framebuffer& large) {
    Framebuffer small = Framebuffer::in_memory(kSize, kSize);
    const auto large_width = static_cast<std::size_t>(s(kSize));
    constexpr std::uint32_t kSamples = kScale * kScale;
    for (std::size_t y = 0; y < kSize; ++y) {
        for (std::size_t x = 0; x < kSize; ++x) {
            std::uint32_t alpha = 0;
            std::uint32_t red = 0;
            std::uint32_t green = 0;
            std::uint32_t blue = 0;
            for (std::size_t dy = 0; dy < kScale; ++dy) {
                for (std::size_t dx = 0; dx < kScale; ++dx) {
                    const std::uint32_t pixel =
                        large.pixels()[(y * kScale + dy) * large_width + x * kScale + dx];
                    const std::uint32_t a = pixel >> 24;
                    alpha += a;
                    red += ((pixel >> 16) & 0xFFu) * a;
                    green += ((pixel >> 8) & 0xFFu) * a;
                    blue += (pixel & 0xFFu) * a;
                }
            }
            std::uint32_t colour = kTransparent;
            if (alpha != 0) {
                const auto channel = [alpha](std::uint32_t sum) {
                    return (sum + alpha / 2) / alpha;
                };
                colour = ((alpha + kSamples / 2) / kSamples) << 24 | channel(red) << 16 |
                         channel(green) << 8 | channel(blue);
            }
            small.pixels()[y * kSize + x] = colour;
        }
    }
    return small;
}

}  // namespace
}  // namespace papyr

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: papyr-icon OUTPUT.png\n", stderr);
        return 2;
    }
    const papyr::Framebuffer icon = papyr::shrink(papyr::draw_large(papyr::Font::embedded()));
    const auto written = papyr::write_png(argv[1], icon.width(), icon.height(), icon.pixels());
    if (!written) {
        std::fprintf(stderr, "papyr-icon: %s\n", written.error().c_str());
        return 1;
    }
    return 0;
}
