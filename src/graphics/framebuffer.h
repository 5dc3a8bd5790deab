#pragma once

// The drawing surface: a back buffer of 0xAARRGGBB pixels that every frame is
// painted into, and, when a framebuffer device could be mapped, the copy of
// that buffer to the device. Without a device ("Desktop Simulator mode") the
// buffer is drawn all the same and simply never shown.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/diagnostics.h"
#include "graphics/framebuffer_device.h"

namespace papyr {

// Rows [begin, end) of a surface.
struct RowSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool empty() const { return begin >= end; }
    std::size_t size() const { return empty() ? 0 : end - begin; }
    bool operator==(const RowSpan&) const = default;
};

class Framebuffer {
  public:
    // The very dark grey the buffer holds until the first frame paints it.
    static constexpr std::uint32_t kStartColour = 0xFF0F0F0F;

    // Opens the device at `path`, or falls back to simulator mode; never
    // fails. The defaults are the device profile's screen size, kept when
    // the driver reports no size of its own. Each outcome is logged as one
    // line. `device` must outlive the surface, which returns its mapping and
    // descriptor through it.
    [[nodiscard]] static Framebuffer open(std::size_t default_width, std::size_t default_height,
                                          bool force_simulator, FramebufferDevice& device,
                                          const LogFn& log,
                                          const std::string& path = kFramebufferPath);

    // A surface with no device at all and no log line: for tests, goldens
    // and benchmarks.
    [[nodiscard]] static Framebuffer in_memory(std::size_t width, std::size_t height);

    Framebuffer(Framebuffer&& other) noexcept;
    Framebuffer& operator=(Framebuffer&& other) noexcept;
    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;
    ~Framebuffer();

    // Copies the whole back buffer to the device; does nothing in simulator
    // mode.
    void present();
    // Copies only the given rows (spans in any order, clipped to the
    // surface); the device's other rows keep what they showed.
    void present_rows(std::span<const RowSpan> rows);
    // Bytes copied to the device by every present so far (none without one).
    std::uint64_t presented_bytes() const { return presented_bytes_; }

    // Moves the picture `rows` rows up (down when negative): afterwards row
    // y holds what row y + rows held. Rows whose source lay outside the
    // surface hold unspecified pixels until drawn. The buffer keeps room
    // above and below the visible rows, so a shift usually moves no pixels
    // at all, only where the visible rows start; when that room runs out,
    // the rows that stay are moved back to the middle once.
    void shift_rows(std::int64_t rows);

    // While set, every primitive writes only within these rows (clipped to
    // the surface), so part of a frame can be drawn again exactly as the
    // whole frame would draw it there.
    void set_row_clip(RowSpan rows);
    void clear_row_clip() { set_row_clip({0, height_}); }
    RowSpan row_clip() const { return row_clip_; }

    // Primitives. Pixels outside the buffer are skipped; colours are written
    // unchanged.
    void set_pixel(std::int32_t x, std::int32_t y, std::uint32_t colour);
    void fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                   std::uint32_t colour);
    void hline(std::int32_t x, std::int32_t y, std::int32_t w, std::uint32_t colour);
    void vline(std::int32_t x, std::int32_t y, std::int32_t h, std::uint32_t colour);
    // Fills the pixels of the rectangle whose distance (dx, dy) past the
    // corner squares, counted from 1 at the corner's inner edge, satisfies
    // dx² + dy² ≤ r². Every card, badge and panel uses this one shape.
    void fill_rounded_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                           std::int32_t r, std::uint32_t colour);
    void fill(std::uint32_t colour);
    // Darkens every pixel to ⌊c × 4 / 15⌋ per colour channel, fully opaque.
    void dim();

    // A rectangle the frame paints over whole before it is shown (the
    // middle of the help panel): until it is cleared, fill, dim and text may
    // leave the pixels inside it as they are, since none of them would
    // show. Clipped to the surface; an empty rectangle clears it.
    struct Rect {
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::int32_t w = 0;
        std::int32_t h = 0;
    };
    void set_covered(Rect covered);
    // Whether the box lies wholly inside the covered rectangle.
    bool is_covered(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) const {
        return covered_.left != covered_.right && x >= static_cast<std::int64_t>(covered_.left) &&
               y >= static_cast<std::int64_t>(covered_.top) &&
               x + w <= static_cast<std::int64_t>(covered_.right) &&
               y + h <= static_cast<std::int64_t>(covered_.bottom);
    }

    std::size_t width() const { return width_; }
    std::size_t height() const { return height_; }
    // Bytes from one device row to the next (width × 4 without a device).
    std::size_t stride() const { return stride_; }
    bool is_simulator() const { return map_ == nullptr; }
    // Row-major, width × height, no padding between rows. A shift of the
    // rows may move where they start: take the span afresh after one.
    std::span<std::uint32_t> pixels() { return {first_pixel(), width_ * height_}; }
    std::span<const std::uint32_t> pixels() const { return {first_pixel(), width_ * height_}; }

  private:
    Framebuffer(std::size_t width, std::size_t height);
    void release();
    // Calls paint(first pixel, count) for each run of a row outside the
    // covered rectangle.
    template <class Paint>
    void for_each_uncovered_run(Paint&& paint);
    void copy_rows_to_device(RowSpan rows);
    std::uint32_t* first_pixel() { return storage_.data() + first_row_ * width_; }
    const std::uint32_t* first_pixel() const { return storage_.data() + first_row_ * width_; }

    // The visible rows start at row first_row_ of the storage; before the
    // first shift the storage holds exactly them.
    std::vector<std::uint32_t> storage_;
    std::size_t first_row_ = 0;
    std::size_t width_ = 0;
    std::size_t height_ = 0;
    RowSpan row_clip_;
    std::uint64_t presented_bytes_ = 0;
    std::byte* map_ = nullptr;
    std::size_t map_len_ = 0;
    std::size_t stride_ = 0;
    int fd_ = -1;
    FramebufferDevice* device_ = nullptr;
    // The covered rectangle as clipped columns and rows; empty when none.
    struct Covered {
        std::size_t left = 0;
        std::size_t right = 0;
        std::size_t top = 0;
        std::size_t bottom = 0;
    };
    Covered covered_;
};

}  // namespace papyr
