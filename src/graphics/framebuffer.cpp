#include "graphics/framebuffer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/os_error.h"

namespace papyr {
namespace {

// The part of [start, start + length) that lies within [0, limit), computed
// wide so that no coordinate sum can overflow. Clipping the loop ranges up
// front writes exactly the pixels a bounds test per pixel would let through.
struct Range {
    std::size_t begin = 0;
    std::size_t end = 0;
};

Range clip(std::int64_t start, std::int64_t length, std::size_t limit) {
    const std::int64_t low = std::max<std::int64_t>(start, 0);
    const std::int64_t high = std::min(start + length, static_cast<std::int64_t>(limit));
    if (high <= low)
        return {};
    return {static_cast<std::size_t>(low), static_cast<std::size_t>(high)};
}

// The rows of [start, start + length) that lie within the clip rows.
Range clip_rows(std::int64_t start, std::int64_t length, RowSpan rows) {
    const Range range = clip(start, length, rows.end);
    return {std::max(range.begin, rows.begin), std::max(range.end, rows.begin)};
}

// Distance of a coordinate into a corner band of the rounded rectangle: 0 in
// the straight middle part, 1 at the band's inner edge, r at the outer edge.
std::int64_t corner_distance(std::int64_t p, std::int64_t start, std::int64_t length,
                             std::int64_t r) {
    if (p < start + r)
        return start + r - p;
    if (p >= start + length - r)
        return p - (start + length - r) + 1;
    return 0;
}

// c × 4 / 15 as a multiplication and a shift, which compilers turn into
// vector code; exact for every channel value, as the assertion checks.
constexpr std::uint32_t dim_channel(std::uint32_t c) {
    return (c * 17477u) >> 16;
}

constexpr bool dims_every_channel_exactly() {
    for (std::uint32_t c = 0; c <= 255; ++c) {
        if (dim_channel(c) != c * 4 / 15)
            return false;
    }
    return true;
}
static_assert(dims_every_channel_exactly());

std::uint32_t dim_pixel(std::uint32_t pixel) {
    const auto channel = [pixel](int shift) {
        return dim_channel((pixel >> shift) & 0xFFu) << shift;
    };
    return 0xFF000000u | channel(16) | channel(8) | channel(0);
}

// Every byte is darkened alike, which vectorises well (the alpha byte too,
// whichever of the four it is), and the pixels are then made opaque.
void dim_pixels(std::uint32_t* first, std::size_t count) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(first);
    for (std::size_t i = 0; i < count * 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(dim_channel(bytes[i]));
    for (std::size_t i = 0; i < count; ++i)
        first[i] |= 0xFF000000u;
}

// Without an early exit, so that it vectorises.
bool is_one_colour(const std::uint32_t* first, std::size_t count) {
    std::uint32_t differences = 0;
    for (std::size_t i = 0; i < count; ++i)
        differences |= first[i] ^ first[0];
    return differences == 0;
}

}  // namespace

Framebuffer::Framebuffer(std::size_t width, std::size_t height)
    : storage_(width * height, kStartColour),
      width_(width),
      height_(height),
      row_clip_{0, height},
      stride_(width * 4) {}

Framebuffer Framebuffer::in_memory(std::size_t width, std::size_t height) {
    return Framebuffer(width, height);
}

Framebuffer Framebuffer::open(std::size_t default_width, std::size_t default_height,
                              bool force_simulator, FramebufferDevice& device, const LogFn& log,
                              const std::string& path) {
    std::size_t width = default_width;
    std::size_t height = default_height;
    const auto simulator = [&](std::string_view reason) {
        log("[Framebuffer] Notice: Could not open " + path + " (" + std::string(reason) +
            "). Initializing Desktop Simulator mode.");
        return Framebuffer(width, height);
    };

    if (force_simulator)
        return simulator("Forced simulator mode");
    const DeviceOpen opened = device.open_read_write(path);
    if (opened.fd < 0)
        return simulator(system_error_text(opened.error));
    const int fd = opened.fd;

    // A failed request leaves its record zeroed, which keeps the profile's
    // size and the unpadded stride.
    const VariableScreenInfo variable =
        device.read_variable_info(fd).value_or(VariableScreenInfo{});
    const FixedScreenInfo fixed = device.read_fixed_info(fd).value_or(FixedScreenInfo{});

    // Drawing assumes the visible area starts at the top of device memory.
    if (variable.xoffset != 0 || variable.yoffset != 0) {
        VariableScreenInfo panned = variable;
        panned.xoffset = 0;
        panned.yoffset = 0;
        device.pan_display(fd, panned);
    }

    if (variable.xres != 0 && variable.yres != 0) {
        width = variable.xres;
        height = variable.yres;
    }
    const std::size_t stride = fixed.line_length != 0 ? fixed.line_length : width * 4;

    std::byte* const map = device.map(fd, fixed.smem_len);
    if (map == nullptr) {
        log("[Framebuffer] Warning: mmap " + path + " failed. Running in emulator mode.");
        device.close(fd);
        return Framebuffer(width, height);
    }
    log("[Framebuffer] Mapped " + path + ": " + std::to_string(width) + "x" +
        std::to_string(height) + " stride: " + std::to_string(stride) + " bytes");

    Framebuffer surface(width, height);
    surface.map_ = map;
    surface.map_len_ = fixed.smem_len;
    surface.stride_ = stride;
    surface.fd_ = fd;
    surface.device_ = &device;
    return surface;
}

Framebuffer::Framebuffer(Framebuffer&& other) noexcept
    : storage_(std::move(other.storage_)),
      first_row_(std::exchange(other.first_row_, 0)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      row_clip_(std::exchange(other.row_clip_, {})),
      presented_bytes_(std::exchange(other.presented_bytes_, 0)),
      map_(std::exchange(other.map_, nullptr)),
      map_len_(std::exchange(other.map_len_, 0)),
      stride_(std::exchange(other.stride_, 0)),
      fd_(std::exchange(other.fd_, -1)),
      device_(std::exchange(other.device_, nullptr)),
      covered_(std::exchange(other.covered_, {})) {}

Framebuffer& Framebuffer::operator=(Framebuffer&& other) noexcept {
    if (this != &other) {
        release();
        storage_ = std::move(other.storage_);
        first_row_ = std::exchange(other.first_row_, 0);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        row_clip_ = std::exchange(other.row_clip_, {});
        presented_bytes_ = std::exchange(other.presented_bytes_, 0);
        map_ = std::exchange(other.map_, nullptr);
        map_len_ = std::exchange(other.map_len_, 0);
        stride_ = std::exchange(other.stride_, 0);
        fd_ = std::exchange(other.fd_, -1);
        device_ = std::exchange(other.device_, nullptr);
        covered_ = std::exchange(other.covered_, {});
    }
    return *this;
}

Framebuffer::~Framebuffer() {
    release();
}

void Framebuffer::release() {
    if (device_ != nullptr) {
        if (map_ != nullptr && map_len_ != 0)
            device_->unmap(map_, map_len_);
        if (fd_ != -1)
            device_->close(fd_);
    }
    map_ = nullptr;
    map_len_ = 0;
    fd_ = -1;
    device_ = nullptr;
}

void Framebuffer::present() {
    const RowSpan all{0, height_};
    present_rows(std::span(&all, 1));
}

void Framebuffer::present_rows(std::span<const RowSpan> rows) {
    if (map_ == nullptr || width_ == 0)
        return;
    for (const RowSpan span : rows)
        copy_rows_to_device({span.begin, std::min(span.end, height_)});
}

void Framebuffer::copy_rows_to_device(RowSpan rows) {
    const std::size_t row_bytes = width_ * 4;
    const auto* source = reinterpret_cast<const std::byte*>(first_pixel());

    // Only whole rows that lie inside the mapping are copied: a driver that
    // reports less memory than its rows need must not make us write past it.
    if (stride_ == row_bytes) {
        const std::size_t end = std::min(rows.end, map_len_ / stride_);
        if (end <= rows.begin)
            return;
        const std::size_t bytes = (end - rows.begin) * row_bytes;
        std::memcpy(map_ + rows.begin * stride_, source + rows.begin * row_bytes, bytes);
        presented_bytes_ += bytes;
        return;
    }
    // A padded device: rows lie `stride_` bytes apart. A stride shorter than
    // a row (a confused driver) gets only the part of each row that fits.
    const std::size_t copy_bytes = std::min(row_bytes, stride_);
    for (std::size_t row = rows.begin; row < rows.end; ++row) {
        const std::size_t offset = row * stride_;
        if (offset + copy_bytes > map_len_)
            break;
        std::memcpy(map_ + offset, source + row * row_bytes, copy_bytes);
        presented_bytes_ += copy_bytes;
    }
}

void Framebuffer::shift_rows(std::int64_t rows) {
    const auto height = static_cast<std::int64_t>(height_);
    if (rows == 0 || width_ == 0 || rows >= height || rows <= -height)
        return;  // nothing stays, or nothing moves
    // Room of half a screen above and below, made on the first shift: a
    // surface that never scrolls never pays for it.
    const std::size_t room = std::max<std::size_t>(height_ / 2, 1);
    if (storage_.size() == width_ * height_) {
        std::vector<std::uint32_t> larger((height_ + 2 * room) * width_, kStartColour);
        std::copy(storage_.begin(), storage_.end(),
                  larger.begin() + static_cast<std::ptrdiff_t>(room * width_));
        storage_ = std::move(larger);
        first_row_ = room;
    }
    const std::int64_t first = static_cast<std::int64_t>(first_row_) + rows;
    if (first >= 0 && first <= static_cast<std::int64_t>(2 * room)) {
        first_row_ = static_cast<std::size_t>(first);
        return;
    }
    // Out of room: the rows that stay go where the middle position puts
    // them, in one move.
    const std::size_t kept = static_cast<std::size_t>(height - (rows > 0 ? rows : -rows));
    const std::size_t from = rows > 0 ? first_row_ + static_cast<std::size_t>(rows) : first_row_;
    const std::size_t to = rows > 0 ? room : room + static_cast<std::size_t>(-rows);
    std::memmove(storage_.data() + to * width_, storage_.data() + from * width_,
                 kept * width_ * sizeof(std::uint32_t));
    first_row_ = room;
}

void Framebuffer::set_row_clip(RowSpan rows) {
    row_clip_ = {std::min(rows.begin, height_), std::min(rows.end, height_)};
    if (row_clip_.end < row_clip_.begin)
        row_clip_.end = row_clip_.begin;
}

void Framebuffer::set_pixel(std::int32_t x, std::int32_t y, std::uint32_t colour) {
    if (x < 0 || y < 0)
        return;
    const auto column = static_cast<std::size_t>(x);
    const auto row = static_cast<std::size_t>(y);
    if (column >= width_ || row < row_clip_.begin || row >= row_clip_.end)
        return;
    first_pixel()[row * width_ + column] = colour;
}

void Framebuffer::fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                            std::uint32_t colour) {
    const Range columns = clip(x, w, width_);
    const Range rows = clip_rows(y, h, row_clip_);
    if (columns.begin == columns.end)
        return;
    for (std::size_t row = rows.begin; row < rows.end; ++row) {
        auto* line = first_pixel() + row * width_;
        std::fill(line + columns.begin, line + columns.end, colour);
    }
}

void Framebuffer::hline(std::int32_t x, std::int32_t y, std::int32_t w, std::uint32_t colour) {
    fill_rect(x, y, w, 1, colour);
}

void Framebuffer::vline(std::int32_t x, std::int32_t y, std::int32_t h, std::uint32_t colour) {
    fill_rect(x, y, 1, h, colour);
}

void Framebuffer::fill_rounded_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                                    std::int32_t r, std::uint32_t colour) {
    const Range columns = clip(x, w, width_);
    const Range rows = clip_rows(y, h, row_clip_);
    const std::int64_t radius_squared = std::int64_t{r} * r;
    for (std::size_t row = rows.begin; row < rows.end; ++row) {
        const std::int64_t dy = corner_distance(static_cast<std::int64_t>(row), y, h, r);
        const auto inside = [&](std::size_t column) {
            const std::int64_t dx = corner_distance(static_cast<std::int64_t>(column), x, w, r);
            return dx * dx + dy * dy <= radius_squared;
        };
        // Along a row dx falls to its least value and rises after it (even
        // when the two corner bands overlap), so the pixels that pass form
        // one run: trimming the few failing ones at each end finds it, and
        // the run is filled as a block.
        std::size_t begin = columns.begin;
        std::size_t end = columns.end;
        while (begin < end && !inside(begin))
            ++begin;
        while (end > begin && !inside(end - 1))
            --end;
        auto* line = first_pixel() + row * width_;
        std::fill(line + begin, line + end, colour);
    }
}

void Framebuffer::set_covered(Rect covered) {
    const Range columns = clip(covered.x, covered.w, width_);
    const Range rows = clip(covered.y, covered.h, height_);
    if (columns.begin == columns.end || rows.begin == rows.end) {
        covered_ = {};
        return;
    }
    covered_ = {columns.begin, columns.end, rows.begin, rows.end};
}

template <class Paint>
void Framebuffer::for_each_uncovered_run(Paint&& paint) {
    for (std::size_t row = row_clip_.begin; row < row_clip_.end; ++row) {
        std::uint32_t* line = first_pixel() + row * width_;
        if (row < covered_.top || row >= covered_.bottom) {
            paint(line, width_);
        } else {
            paint(line, covered_.left);
            paint(line + covered_.right, width_ - covered_.right);
        }
    }
}

void Framebuffer::fill(std::uint32_t colour) {
    for_each_uncovered_run(
        [colour](std::uint32_t* first, std::size_t count) { std::fill_n(first, count, colour); });
}

void Framebuffer::dim() {
    for_each_uncovered_run([](std::uint32_t* first, std::size_t count) {
        // Most of a screen is flat colour: a block of one colour takes the
        // darkened colour whole, which costs a comparison instead of the
        // arithmetic.
        constexpr std::size_t kBlock = 64;
        for (std::size_t start = 0; start < count; start += kBlock) {
            std::uint32_t* block = first + start;
            const std::size_t size = std::min(kBlock, count - start);
            if (is_one_colour(block, size)) {
                std::fill_n(block, size, dim_pixel(block[0]));
            } else {
                dim_pixels(block, size);
            }
        }
    });
}

}  // namespace papyr
