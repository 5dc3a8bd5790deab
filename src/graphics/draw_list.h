#pragma once

// A frame recorded as the list of drawing operations that make it, before
// any pixel is written. Kept from one frame to the next, two lists tell which
// rows of the screen the newer frame changes (row_plan.h); replaying a list,
// or any rows of it, draws exactly the pixels the same calls made directly on
// the surface would.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/framebuffer.h"
#include "graphics/text_renderer.h"

namespace papyr {

enum class DrawKind : std::uint8_t {
    Fill,         // the whole surface in one colour
    Rect,         // fill_rect, hline, vline
    RoundedRect,  // fill_rounded_rect
    Text,         // one line of draw_text
    Dim,          // dim
    Cover,        // set_covered: how much is drawn, never what the frame shows
};

struct DrawOp {
    DrawKind kind = DrawKind::Fill;
    // Rect, RoundedRect, Cover: the box. Text: the line's top-left corner.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t w = 0;
    std::int32_t h = 0;
    std::int32_t radius = 0;
    std::uint32_t colour = 0;
    float size = 0;
    std::string text;
    // The rows of the surface the operation can write (for text the rows of
    // its glyph boxes); never empty except for Cover.
    RowSpan rows;
};

class DrawList {
  public:
    // A list for a surface of this size; `text` measures, wraps and
    // shortens text while recording, and gives the rows each line inks.
    DrawList(std::size_t width, std::size_t height, const TextRenderer& text);

    std::size_t width() const { return width_; }
    std::size_t height() const { return height_; }
    const TextRenderer& text() const { return *text_; }

    // The primitives of Framebuffer and TextRenderer, recorded. Operations
    // that would write no pixel are left out.
    void fill(std::uint32_t colour);
    void fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   std::uint32_t colour);
    void hline(std::int32_t x, std::int32_t y, std::int32_t w, std::uint32_t colour);
    void fill_rounded_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                           std::int32_t r, std::uint32_t colour);
    void dim();
    void set_covered(Framebuffer::Rect covered);
    void draw_text(std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t colour,
                   float size);
    void draw_badge(std::string_view text, std::int32_t x, std::int32_t y, std::uint32_t background,
                    std::uint32_t foreground, float size);

    // Where the frame's scrolling content stands: content drawn at row y of
    // a frame with offset a is drawn at row y + b − a of one with offset b.
    // Only a hint for finding rows that merely moved; 0 when nothing
    // scrolls.
    void set_content_offset(std::int64_t offset) { content_offset_ = offset; }
    std::int64_t content_offset() const { return content_offset_; }

    std::span<const DrawOp> ops() const { return ops_; }

    // Draws the operations from `first_op` on, writing only within `rows`,
    // as drawing the whole list would write those rows had the operations
    // before `first_op` already been drawn. The covered rectangle in force
    // at `first_op` is set first, and the surface is left without a covered
    // rectangle or a row clip.
    void replay(Framebuffer& surface, TextRenderer& text, RowSpan rows,
                std::size_t first_op = 0) const;

  private:
    RowSpan clipped_rows(std::int64_t y, std::int64_t h) const;
    bool has_columns(std::int64_t x, std::int64_t w) const;

    std::size_t width_;
    std::size_t height_;
    const TextRenderer* text_;
    std::vector<DrawOp> ops_;
    std::int64_t content_offset_ = 0;
};

}  // namespace papyr
