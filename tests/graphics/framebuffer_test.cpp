#include "graphics/framebuffer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/fb.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "support/fake_framebuffer_device.h"

namespace papyr {
namespace {

using test::FakeFramebufferDevice;
using ::testing::ElementsAre;

constexpr std::uint32_t kInk = 0xFF336699;
constexpr std::uint32_t kStart = Framebuffer::kStartColour;

struct LogLines {
    std::vector<std::string> lines;
    LogFn fn() {
        return [this](std::string_view line) { lines.emplace_back(line); };
    }
};

// The surface as rows of '#' (kInk) and '.' (anything else), to compare
// whole small pictures at once.
std::vector<std::string> picture(const Framebuffer& surface) {
    std::vector<std::string> rows;
    for (std::size_t y = 0; y < surface.height(); ++y) {
        std::string row;
        for (std::size_t x = 0; x < surface.width(); ++x) {
            row += surface.pixels()[y * surface.width() + x] == kInk ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

// The first and one-past-last column of row y in kInk, or {-1, -1}.
std::pair<int, int> inked_span(const Framebuffer& surface, std::size_t y) {
    int first = -1;
    int last = -1;
    for (std::size_t x = 0; x < surface.width(); ++x) {
        if (surface.pixels()[y * surface.width() + x] != kInk)
            continue;
        if (first < 0)
            first = static_cast<int>(x);
        last = static_cast<int>(x) + 1;
    }
    return {first, last};
}

// --- primitives ------------------------------------------------------------

TEST(FramebufferPrimitives, StartDarkGreyAndFillEveryPixel) {
    Framebuffer surface = Framebuffer::in_memory(5, 4);
    ASSERT_EQ(surface.pixels().size(), 20u);
    for (const std::uint32_t pixel : surface.pixels())
        EXPECT_EQ(pixel, 0xFF0F0F0Fu);
    surface.fill(kInk);
    for (const std::uint32_t pixel : surface.pixels())
        EXPECT_EQ(pixel, kInk);
}

TEST(FramebufferPrimitives, RectanglesAndLinesAreClippedWithoutWrappingIntoOtherRows) {
    Framebuffer surface = Framebuffer::in_memory(5, 4);
    surface.fill_rect(-2, -1, 4, 2, kInk);  // top-left corner: columns 0-1, row 0
    surface.fill_rect(3, 2, 10, 1, kInk);   // past the right edge: columns 3-4 of row 2 only
    surface.hline(4, 1, 2, kInk);           // one pixel, then the edge
    surface.vline(2, 3, 5, kInk);           // past the bottom edge
    surface.set_pixel(5, 0, kInk);          // x == width would be (0, 1) if wrapped
    surface.set_pixel(-1, 2, kInk);         // would be (4, 1) if wrapped
    surface.set_pixel(0, 4, kInk);          // y == height
    EXPECT_THAT(picture(surface), ElementsAre("##...",  //
                                              "....#",  //
                                              "...##",  //
                                              "..#.."));
}

TEST(FramebufferPrimitives, EmptyNegativeAndHugeExtentsNeitherDrawWronglyNorOverflow) {
    Framebuffer surface = Framebuffer::in_memory(4, 3);
    const auto max = std::numeric_limits<std::int32_t>::max();
    const auto min = std::numeric_limits<std::int32_t>::min();
    surface.fill_rect(1, 1, 0, 5, kInk);
    surface.fill_rect(1, 1, -3, 2, kInk);
    surface.hline(2, 0, -1, kInk);
    surface.vline(0, 2, 0, kInk);
    surface.fill_rect(max, max, max, max, kInk);
    surface.fill_rounded_rect(min, min, max, max, 16, kInk);
    EXPECT_THAT(picture(surface), ElementsAre("....", "....", "...."));
    surface.fill_rect(min, 1, max, 1, kInk);   // ends at -1: still nothing
    surface.fill_rect(2, -1, max, max, kInk);  // x + w and y + h overflow 32 bits
    EXPECT_THAT(picture(surface), ElementsAre("..##", "..##", "..##"));
}

TEST(FramebufferPrimitives, RoundedRectangleCornersFollowTheDistanceRule) {
    Framebuffer surface = Framebuffer::in_memory(130, 40);
    surface.fill_rounded_rect(0, 0, 120, 36, 8, kInk);
    // Worked by hand from dx² + dy² <= r²: on the top and bottom rows only
    // dx = 0 passes; one row in, dy = 1 admits dx = 7; from row 8 on the
    // full width is filled.
    EXPECT_EQ(inked_span(surface, 0), std::make_pair(8, 112));
    EXPECT_EQ(inked_span(surface, 7), std::make_pair(1, 119));
    EXPECT_EQ(inked_span(surface, 8), std::make_pair(0, 120));
    EXPECT_EQ(inked_span(surface, 27), std::make_pair(0, 120));
    EXPECT_EQ(inked_span(surface, 28), std::make_pair(1, 119));
    EXPECT_EQ(inked_span(surface, 35), std::make_pair(8, 112));
    EXPECT_EQ(inked_span(surface, 36), std::make_pair(-1, -1));
    const auto at = [&](std::size_t x, std::size_t y) { return surface.pixels()[y * 130 + x]; };
    EXPECT_EQ(at(0, 0), kStart);
    EXPECT_EQ(at(1, 0), kStart);
    EXPECT_EQ(at(0, 1), kStart);
    EXPECT_EQ(at(8, 8), kInk);
    EXPECT_EQ(at(119, 35), kStart);
}

TEST(FramebufferPrimitives, ClippedRoundedRectangleKeepsTheShapeOfItsVisiblePart) {
    // The same rectangle drawn whole on a large surface and across every
    // edge of a small one must agree pixel for pixel where they overlap.
    constexpr int kOffset = 20;
    Framebuffer whole = Framebuffer::in_memory(70, 50);
    Framebuffer clipped = Framebuffer::in_memory(30, 10);
    whole.fill_rounded_rect(kOffset - 6, kOffset - 5, 42, 21, 12, kInk);
    clipped.fill_rounded_rect(-6, -5, 42, 21, 12, kInk);
    for (std::size_t y = 0; y < clipped.height(); ++y) {
        for (std::size_t x = 0; x < clipped.width(); ++x) {
            EXPECT_EQ(clipped.pixels()[y * 30 + x],
                      whole.pixels()[(y + kOffset) * 70 + x + kOffset])
                << "at " << x << "," << y;
        }
    }
}

// The rounded-rectangle rule evaluated pixel by pixel, straight from its
// definition: the row-wise fill must agree with it for every shape.
std::vector<std::string> rounded_rect_by_rule(std::size_t width, std::size_t height, int x, int y,
                                              int w, int h, int r) {
    const auto distance = [r](int p, int start, int length) {
        if (p < start + r)
            return start + r - p;
        if (p >= start + length - r)
            return p - (start + length - r) + 1;
        return 0;
    };
    std::vector<std::string> rows(height, std::string(width, '.'));
    for (int row = 0; row < static_cast<int>(height); ++row) {
        for (int column = 0; column < static_cast<int>(width); ++column) {
            if (column < x || column >= x + w || row < y || row >= y + h)
                continue;
            const int dx = distance(column, x, w);
            const int dy = distance(row, y, h);
            if (dx * dx + dy * dy <= r * r)
                rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = '#';
        }
    }
    return rows;
}

TEST(FramebufferPrimitives, RoundedRectangleFillsExactlyThePixelsTheRuleAdmits) {
    struct Shape {
        int x, y, w, h, r;
    };
    const Shape shapes[] = {
        {2, 1, 30, 14, 6},    // ordinary
        {3, 2, 9, 20, 6},     // narrower than two radii: the corner bands overlap
        {3, 2, 20, 9, 6},     // lower than two radii
        {4, 4, 5, 4, 8},      // smaller than one radius each way
        {1, 1, 1, 1, 3},      // a single pixel
        {0, 0, 12, 7, 0},     // no rounding
        {5, 3, 12, 7, -3},    // a negative radius
        {-7, -4, 25, 16, 7},  // across the top-left corner
        {25, 12, 20, 15, 9},  // across the bottom-right corner
    };
    for (const Shape& s : shapes) {
        Framebuffer surface = Framebuffer::in_memory(36, 22);
        surface.fill_rounded_rect(s.x, s.y, s.w, s.h, s.r, kInk);
        EXPECT_EQ(picture(surface), rounded_rect_by_rule(36, 22, s.x, s.y, s.w, s.h, s.r))
            << "x " << s.x << " y " << s.y << " w " << s.w << " h " << s.h << " r " << s.r;
    }
}

TEST(FramebufferPrimitives, DimKeepsFourFifteenthsOfEachChannelAndMakesPixelsOpaque) {
    Framebuffer surface = Framebuffer::in_memory(4, 1);
    const std::uint32_t before[] = {0xFFFFFFFF, 0x00FFFFFF, 0xFF0E0F10, 0x12F6F2E8};
    std::copy(std::begin(before), std::end(before), surface.pixels().begin());
    surface.dim();
    // 255 -> 68, 14 -> 3, 15 -> 4, 16 -> 4, 246 -> 65, 242 -> 64, 232 -> 61
    const std::vector<std::uint32_t> after(surface.pixels().begin(), surface.pixels().end());
    EXPECT_THAT(after, ElementsAre(0xFF444444u, 0xFF444444u, 0xFF030404u, 0xFF41403Du));
}

TEST(FramebufferPrimitives, FillAndDimLeaveTheCoveredRectangleUntilItIsCleared) {
    Framebuffer surface = Framebuffer::in_memory(6, 5);
    surface.set_covered({1, 1, 3, 2});
    surface.fill(kInk);
    EXPECT_THAT(picture(surface), ElementsAre("######", "#...##", "#...##", "######", "######"));

    surface.set_covered({-2, 3, 4, 9});  // clipped to columns 0-1 of rows 3-4
    surface.dim();
    const std::uint32_t dimmed = 0xFF0D1B28;  // 0x33, 0x66, 0x99 at 4/15
    const auto at = [&](std::size_t x, std::size_t y) { return surface.pixels()[y * 6 + x]; };
    EXPECT_EQ(at(0, 0), dimmed);
    EXPECT_EQ(at(2, 1), 0xFF040404u);  // the start colour, dimmed now that it is uncovered
    EXPECT_EQ(at(1, 3), kInk);
    EXPECT_EQ(at(2, 3), dimmed);
    EXPECT_TRUE(surface.is_covered(0, 3, 2, 2));
    EXPECT_FALSE(surface.is_covered(0, 3, 3, 2));

    surface.set_covered({2, 2, 0, 3});  // empty: nothing is covered any more
    EXPECT_FALSE(surface.is_covered(2, 2, 0, 0));
    surface.fill(kInk);
    EXPECT_THAT(picture(surface), ElementsAre("######", "######", "######", "######", "######"));
}

// --- opening -----------------------------------------------------------------

TEST(FramebufferOpen, ForcedSimulatorNeverTouchesTheDevice) {
    FakeFramebufferDevice device;
    LogLines log;
    Framebuffer surface = Framebuffer::open(1024, 768, true, device, log.fn());
    EXPECT_TRUE(device.calls.empty());
    EXPECT_THAT(log.lines, ElementsAre("[Framebuffer] Notice: Could not open /dev/fb0 (Forced "
                                       "simulator mode). Initializing Desktop Simulator mode."));
    EXPECT_TRUE(surface.is_simulator());
    EXPECT_EQ(surface.width(), 1024u);
    EXPECT_EQ(surface.height(), 768u);
    EXPECT_EQ(surface.stride(), 4096u);
    EXPECT_EQ(surface.pixels().size(), 1024u * 768u);
    surface.present();
    EXPECT_TRUE(device.calls.empty());
}

TEST(FramebufferOpen, AnUnopenableDeviceGivesTheSimulatorWithTheSystemsReason) {
    FakeFramebufferDevice device;
    device.open_error = EACCES;
    LogLines log;
    Framebuffer surface = Framebuffer::open(1280, 720, false, device, log.fn());
    EXPECT_THAT(device.calls, ElementsAre("open /dev/fb0"));
    EXPECT_THAT(log.lines, ElementsAre("[Framebuffer] Notice: Could not open /dev/fb0 (Permission "
                                       "denied). Initializing Desktop Simulator mode."));
    EXPECT_TRUE(surface.is_simulator());
    EXPECT_EQ(surface.width(), 1280u);
    EXPECT_EQ(surface.height(), 720u);
}

TEST(FramebufferOpen, TakesTheDriversSizeAndLineLengthAndReleasesTheDeviceOnDrop) {
    FakeFramebufferDevice device;
    device.variable->xres = 640;
    device.variable->yres = 480;
    device.fixed = FixedScreenInfo{2 * 2688 * 480, 2688};
    LogLines log;
    {
        Framebuffer surface = Framebuffer::open(1024, 768, false, device, log.fn());
        EXPECT_FALSE(surface.is_simulator());
        EXPECT_EQ(surface.width(), 640u);
        EXPECT_EQ(surface.height(), 480u);
        EXPECT_EQ(surface.stride(), 2688u);
        EXPECT_EQ(surface.pixels().size(), 640u * 480u);
        EXPECT_THAT(log.lines,
                    ElementsAre("[Framebuffer] Mapped /dev/fb0: 640x480 stride: 2688 bytes"));
    }
    EXPECT_THAT(device.calls, ElementsAre("open /dev/fb0", "get variable 7", "get fixed 7",
                                          "map 7 2580480", "unmap mapped 2580480", "close 7"));
}

TEST(FramebufferOpen, ADriverWithoutAFullSizeOrLineLengthKeepsTheProfileSize) {
    for (const auto& [xres, yres] : {std::pair{0u, 600u}, std::pair{800u, 0u}}) {
        FakeFramebufferDevice device;
        device.variable->xres = xres;
        device.variable->yres = yres;
        device.fixed = FixedScreenInfo{1024 * 4 * 768, 0};
        LogLines log;
        Framebuffer surface = Framebuffer::open(1024, 768, false, device, log.fn());
        EXPECT_EQ(surface.width(), 1024u);
        EXPECT_EQ(surface.height(), 768u);
        EXPECT_EQ(surface.stride(), 4096u);
        EXPECT_THAT(log.lines,
                    ElementsAre("[Framebuffer] Mapped /dev/fb0: 1024x768 stride: 4096 bytes"));
    }
}

TEST(FramebufferOpen, ZeroLineLengthMeansUnpaddedRowsOfTheDriversWidth) {
    FakeFramebufferDevice device;
    device.variable->xres = 320;
    device.variable->yres = 240;
    device.fixed = FixedScreenInfo{320 * 4 * 240, 0};
    LogLines log;
    Framebuffer surface = Framebuffer::open(1280, 720, false, device, log.fn());
    EXPECT_EQ(surface.stride(), 1280u);
}

TEST(FramebufferOpen, APannedDisplayIsMovedBackToTheTopWithTheDriversOwnRecord) {
    FakeFramebufferDevice device;
    device.variable->xres = 16;
    device.variable->yres = 8;
    device.variable->yoffset = 8;  // showing the second of two buffers
    device.variable->driver_record[12] = 0x5A;
    device.fixed = FixedScreenInfo{16 * 4 * 16, 64};
    LogLines log;
    Framebuffer surface = Framebuffer::open(1024, 768, false, device, log.fn());
    EXPECT_THAT(device.calls, ElementsAre("open /dev/fb0", "get variable 7", "get fixed 7", "pan 7",
                                          "map 7 1024"));
    ASSERT_TRUE(device.panned_with.has_value());
    EXPECT_EQ(device.panned_with->xoffset, 0u);
    EXPECT_EQ(device.panned_with->yoffset, 0u);
    EXPECT_EQ(device.panned_with->xres, 16u);
    EXPECT_EQ(device.panned_with->driver_record[12], 0x5A);

    FakeFramebufferDevice unpanned;
    unpanned.fixed = FixedScreenInfo{64, 0};
    Framebuffer other = Framebuffer::open(4, 4, false, unpanned, log.fn());
    EXPECT_FALSE(unpanned.panned_with.has_value());
}

TEST(FramebufferOpen, AFailedMappingClosesTheDeviceAndKeepsTheSizeItRead) {
    FakeFramebufferDevice device;
    device.variable->xres = 800;
    device.variable->yres = 480;
    device.fixed = FixedScreenInfo{800 * 4 * 480, 3840};
    device.map_fails = true;
    LogLines log;
    Framebuffer surface = Framebuffer::open(1024, 768, false, device, log.fn());
    EXPECT_THAT(log.lines, ElementsAre("[Framebuffer] Warning: mmap /dev/fb0 failed. Running in "
                                       "emulator mode."));
    EXPECT_TRUE(surface.is_simulator());
    EXPECT_EQ(surface.width(), 800u);
    EXPECT_EQ(surface.height(), 480u);
    EXPECT_EQ(surface.stride(), 3200u);
    EXPECT_EQ(device.calls.back(), "close 7");
    const std::size_t calls = device.calls.size();
    surface.present();
    EXPECT_EQ(device.calls.size(), calls);
}

TEST(FramebufferOpen, FailedInformationRequestsLeaveNothingToMap) {
    FakeFramebufferDevice device;
    device.variable.reset();
    device.fixed.reset();
    LogLines log;
    Framebuffer surface = Framebuffer::open(1280, 720, false, device, log.fn());
    EXPECT_THAT(device.calls, ElementsAre("open /dev/fb0", "get variable 7", "get fixed 7",
                                          "map 7 0", "close 7"));
    EXPECT_THAT(log.lines, ElementsAre("[Framebuffer] Warning: mmap /dev/fb0 failed. Running in "
                                       "emulator mode."));
    EXPECT_EQ(surface.width(), 1280u);
    EXPECT_EQ(surface.height(), 720u);
}

TEST(FramebufferOpen, AMovedSurfaceReleasesTheDeviceExactlyOnce) {
    FakeFramebufferDevice device;
    device.fixed = FixedScreenInfo{4 * 4 * 2, 0};
    LogLines log;
    {
        Framebuffer first = Framebuffer::open(4, 2, false, device, log.fn());
        Framebuffer second = std::move(first);
        Framebuffer third = Framebuffer::in_memory(1, 1);
        third = std::move(second);
        EXPECT_FALSE(third.is_simulator());
    }
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "unmap mapped 32"), 1);
    EXPECT_EQ(std::count(device.calls.begin(), device.calls.end(), "close 7"), 1);
}

// --- presenting ----------------------------------------------------------------

// Opens a width × height surface on the fake with the given line length and
// device memory, and paints every pixel a different colour.
Framebuffer painted_surface(FakeFramebufferDevice& device, std::uint32_t width,
                            std::uint32_t height, std::uint32_t line_length, std::uint32_t memory) {
    device.variable->xres = width;
    device.variable->yres = height;
    device.fixed = FixedScreenInfo{memory, line_length};
    LogLines log;
    Framebuffer surface = Framebuffer::open(1, 1, false, device, log.fn());
    for (std::size_t i = 0; i < surface.pixels().size(); ++i) {
        surface.pixels()[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010203u);
    }
    return surface;
}

// The bytes the device should hold at `offset` for pixel row y: the pixels
// in native byte order.
std::vector<std::byte> row_bytes(const Framebuffer& surface, std::size_t y, std::size_t bytes) {
    std::vector<std::byte> out(bytes);
    std::memcpy(out.data(), surface.pixels().data() + y * surface.width(), bytes);
    return out;
}

std::vector<std::byte> memory_at(const FakeFramebufferDevice& device, std::size_t offset,
                                 std::size_t bytes) {
    const auto memory = device.memory();
    return {memory.begin() + static_cast<std::ptrdiff_t>(offset),
            memory.begin() + static_cast<std::ptrdiff_t>(offset + bytes)};
}

bool untouched(const FakeFramebufferDevice& device, std::size_t from, std::size_t to) {
    const auto memory = device.memory();
    return std::all_of(memory.begin() + static_cast<std::ptrdiff_t>(from),
                       memory.begin() + static_cast<std::ptrdiff_t>(to),
                       [](std::byte b) { return b == FakeFramebufferDevice::kUntouched; });
}

TEST(FramebufferPresent, UnpaddedRowsAreCopiedAsOneBlockInNativeByteOrder) {
    FakeFramebufferDevice device;
    // Twice the visible memory, as a double-buffering driver reports.
    Framebuffer surface = painted_surface(device, 6, 3, 24, 2 * 24 * 3);
    surface.present();
    for (std::size_t y = 0; y < 3; ++y)
        EXPECT_EQ(memory_at(device, y * 24, 24), row_bytes(surface, y, 24));
    EXPECT_TRUE(untouched(device, 72, 144));
    const std::uint32_t pixel = surface.pixels()[1];
    EXPECT_EQ(device.memory()[4], std::byte(pixel & 0xFF));  // blue first
    EXPECT_EQ(device.memory()[7], std::byte(pixel >> 24));   // alpha last
}

TEST(FramebufferPresent, PaddedRowsAreCopiedOneByOneLeavingThePaddingAlone) {
    FakeFramebufferDevice device;
    Framebuffer surface = painted_surface(device, 5, 4, 32, 32 * 4);
    surface.present();
    for (std::size_t y = 0; y < 4; ++y) {
        EXPECT_EQ(memory_at(device, y * 32, 20), row_bytes(surface, y, 20));
        EXPECT_TRUE(untouched(device, y * 32 + 20, y * 32 + 32)) << "padding of row " << y;
    }
}

TEST(FramebufferPresent, NeverWritesPastAShortMapping) {
    {
        // Unpadded: room for two and a half rows of three.
        FakeFramebufferDevice device;
        Framebuffer surface = painted_surface(device, 4, 3, 16, 40);
        surface.present();
        EXPECT_EQ(memory_at(device, 0, 16), row_bytes(surface, 0, 16));
        EXPECT_EQ(memory_at(device, 16, 16), row_bytes(surface, 1, 16));
        EXPECT_TRUE(untouched(device, 32, 40));
    }
    {
        // Padded: the third row's pixels would end at 2 × 24 + 16 = 64 > 60.
        FakeFramebufferDevice device;
        Framebuffer surface = painted_surface(device, 4, 3, 24, 60);
        surface.present();
        EXPECT_EQ(memory_at(device, 24, 16), row_bytes(surface, 1, 16));
        EXPECT_TRUE(untouched(device, 40, 60));
    }
}

TEST(FramebufferPresent, ALineLengthShorterThanARowCopiesOnlyWhatFitsInEachRow) {
    FakeFramebufferDevice device;
    Framebuffer surface = painted_surface(device, 4, 3, 12, 36);
    surface.present();
    for (std::size_t y = 0; y < 3; ++y)
        EXPECT_EQ(memory_at(device, y * 12, 12), row_bytes(surface, y, 12));
}

// --- the consoles' framebuffers ---------------------------------------------

// The driver's variable record as the kernel lays it out, so that what the
// surface hands back when it pans can be read field by field.
VariableScreenInfo driver_variable_info(const fb_var_screeninfo& record) {
    VariableScreenInfo info;
    info.xres = record.xres;
    info.yres = record.yres;
    info.xoffset = record.xoffset;
    info.yoffset = record.yoffset;
    std::memcpy(info.driver_record.data(), &record, sizeof record);
    return info;
}

fb_var_screeninfo record_of(const VariableScreenInfo& info) {
    fb_var_screeninfo record{};
    std::memcpy(&record, info.driver_record.data(), sizeof record);
    return record;
}

// Checks the whole mapping: each visible row holds its pixels, the rest of
// each line and everything below the last row is left as it was.
void expect_rows_in_memory(const FakeFramebufferDevice& device, const Framebuffer& surface,
                           std::size_t line_length) {
    const std::size_t row_length = surface.width() * 4;
    for (std::size_t y = 0; y < surface.height(); ++y) {
        ASSERT_EQ(memory_at(device, y * line_length, row_length), row_bytes(surface, y, row_length))
            << "row " << y;
        ASSERT_TRUE(untouched(device, y * line_length + row_length, (y + 1) * line_length))
            << "padding of row " << y;
    }
    EXPECT_TRUE(untouched(device, surface.height() * line_length, device.memory().size()));
}

TEST(FramebufferConsoles, TheBricksPannedTallDisplayIsPannedBackAndFramesLandInItsFirstRows) {
    // What the Brick's driver reports: 1024 × 768 visible out of a virtual
    // height of 16384, 32 bits per pixel, 4096-byte lines, and (after
    // another program used it) the display panned to the second page.
    fb_var_screeninfo brick{};
    brick.xres = 1024;
    brick.yres = 768;
    brick.xres_virtual = 1024;
    brick.yres_virtual = 16384;
    brick.yoffset = 768;
    brick.bits_per_pixel = 32;
    FakeFramebufferDevice device;
    device.variable = driver_variable_info(brick);
    device.fixed = FixedScreenInfo{4096 * 16384, 4096};
    LogLines log;
    Framebuffer surface = Framebuffer::open(1280, 720, false, device, log.fn());

    EXPECT_THAT(log.lines,
                ElementsAre("[Framebuffer] Mapped /dev/fb0: 1024x768 stride: 4096 bytes"));
    ASSERT_TRUE(device.panned_with.has_value());
    EXPECT_EQ(device.panned_with->xoffset, 0u);
    EXPECT_EQ(device.panned_with->yoffset, 0u);
    // The driver gets its own record back: the virtual size and depth stay.
    const fb_var_screeninfo handed_back = record_of(*device.panned_with);
    EXPECT_EQ(handed_back.yres_virtual, 16384u);
    EXPECT_EQ(handed_back.xres_virtual, 1024u);
    EXPECT_EQ(handed_back.bits_per_pixel, 32u);

    // Two frames in a row: the second replaces the first everywhere.
    for (std::uint32_t frame = 0; frame < 2; ++frame) {
        for (std::size_t i = 0; i < surface.pixels().size(); ++i) {
            surface.pixels()[i] = 0xFF000000u | (static_cast<std::uint32_t>(i * 0x010307u) ^ frame);
        }
        surface.present();
        expect_rows_in_memory(device, surface, 4096);
    }
}

TEST(FramebufferConsoles, A1280By720DisplayWithPaddedLinesGetsEachRowAtItsLineStart) {
    // 1344 pixels per line for 1280 visible ones, double-buffered.
    FakeFramebufferDevice device;
    Framebuffer surface = painted_surface(device, 1280, 720, 5376, 5376 * 720 * 2);
    EXPECT_EQ(surface.stride(), 5376u);
    surface.present();
    expect_rows_in_memory(device, surface, 5376);
}

}  // namespace
}  // namespace papyr
