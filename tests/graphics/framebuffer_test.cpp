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

// Row y of a test picture: every pixel names its row.
std::uint32_t row_colour(std::int64_t y) {
    return 0xFF000000u | static_cast<std::uint32_t>(y + 1);
}

TEST(FramebufferShift, RowsMoveByTheShiftWhetherOrNotTheRoomAroundThemRunsOut) {
    constexpr std::size_t kHeight = 40;
    Framebuffer surface = Framebuffer::in_memory(3, kHeight);
    // What each row should show: the test picture's row it came from, or
    // nothing known (-1) for rows that came from outside.
    std::vector<std::int64_t> model(kHeight);
    for (std::size_t y = 0; y < kHeight; ++y) {
        surface.fill_rect(0, static_cast<std::int32_t>(y), 3, 1, row_colour(static_cast<int>(y)));
        model[y] = static_cast<std::int64_t>(y);
    }
    // The room is half a screen each way: the first three shifts stay
    // inside it, 12 and then -24 run past it and force a move of the rows
    // that stay (both with rows known to check), the last two keep nothing.
    const std::int64_t shifts[] = {5, 10, -3, 12, -8, -24, 6, 0, 40, -50};
    for (const std::int64_t shift : shifts) {
        surface.shift_rows(shift);
        std::vector<std::int64_t> moved(kHeight, -1);
        for (std::int64_t y = 0; y < static_cast<std::int64_t>(kHeight); ++y) {
            const std::int64_t source = y + shift;
            if (source >= 0 && source < static_cast<std::int64_t>(kHeight))
                moved[static_cast<std::size_t>(y)] = model[static_cast<std::size_t>(source)];
        }
        model = moved;
        ASSERT_EQ(surface.pixels().size(), 3 * kHeight);
        for (std::size_t y = 0; y < kHeight; ++y) {
            if (model[y] < 0)
                continue;
            for (std::size_t x = 0; x < 3; ++x)
                ASSERT_EQ(surface.pixels()[y * 3 + x], row_colour(model[y]))
                    << "row " << y << " after shifting by " << shift;
        }
    }
    // Drawing still lands on the rows it names.
    surface.fill(kInk);
    surface.fill_rect(0, 39, 3, 1, row_colour(39));
    EXPECT_EQ(surface.pixels()[39 * 3], row_colour(39));
    EXPECT_EQ(surface.pixels()[39 * 3 - 1], kInk);
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

TEST(FramebufferOpen, TakesTheDriversSizeAndLineLengthWhenItReportsThem) {
    struct Case {
        std::uint32_t xres, yres, line_length;
        std::size_t width, height, stride;
    };
    const Case cases[] = {
        {640, 480, 2688, 640, 480, 2688},
        {320, 240, 0, 320, 240, 1280},  // unpadded rows of the driver's width
        {0, 600, 0, 1024, 768, 4096},   // no full size: the profile's
        {800, 0, 0, 1024, 768, 4096},
    };
    for (const Case& c : cases) {
        FakeFramebufferDevice device;
        device.variable->xres = c.xres;
        device.variable->yres = c.yres;
        device.fixed = FixedScreenInfo{4096 * 768, c.line_length};
        LogLines log;
        Framebuffer surface = Framebuffer::open(1024, 768, false, device, log.fn());
        EXPECT_FALSE(surface.is_simulator());
        EXPECT_EQ(surface.width(), c.width);
        EXPECT_EQ(surface.height(), c.height);
        EXPECT_EQ(surface.stride(), c.stride);
        EXPECT_EQ(surface.pixels().size(), c.width * c.height);
        EXPECT_THAT(log.lines,
                    ElementsAre("[Framebuffer] Mapped /dev/fb0: " + std::to_string(c.width) + "x" +
                                std::to_string(c.height) + " stride: " + std::to_string(c.stride) +
                                " bytes"));
    }
}

TEST(FramebufferOpen, ReleasesTheDeviceExactlyOnceHoweverTheSurfaceIsMoved) {
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
    EXPECT_THAT(device.calls, ElementsAre("open /dev/fb0", "get variable 7", "get fixed 7",
                                          "map 7 32", "unmap mapped 32", "close 7"));
}

TEST(FramebufferOpen, APannedDisplayIsPannedBackWithTheDriversOwnRecordBeforeMapping) {
    // What the Brick's driver reports: 1024 × 768 visible out of a virtual
    // height of 16384, 32 bits per pixel, and (after another program used
    // it) the display panned to the second page.
    fb_var_screeninfo brick{};
    brick.xres = 1024;
    brick.yres = 768;
    brick.xres_virtual = 1024;
    brick.yres_virtual = 16384;
    brick.yoffset = 768;
    brick.bits_per_pixel = 32;
    FakeFramebufferDevice device;
    device.variable->xres = brick.xres;
    device.variable->yres = brick.yres;
    device.variable->yoffset = brick.yoffset;
    std::memcpy(device.variable->driver_record.data(), &brick, sizeof brick);
    device.fixed = FixedScreenInfo{4096 * 768, 4096};
    LogLines log;
    Framebuffer surface = Framebuffer::open(1280, 720, false, device, log.fn());

    EXPECT_THAT(device.calls, ElementsAre("open /dev/fb0", "get variable 7", "get fixed 7", "pan 7",
                                          "map 7 3145728"));
    ASSERT_TRUE(device.panned_with.has_value());
    EXPECT_EQ(device.panned_with->xoffset, 0u);
    EXPECT_EQ(device.panned_with->yoffset, 0u);
    // The driver gets its own record back: the virtual size and depth stay.
    fb_var_screeninfo handed_back{};
    std::memcpy(&handed_back, device.panned_with->driver_record.data(), sizeof handed_back);
    EXPECT_EQ(handed_back.yres_virtual, 16384u);
    EXPECT_EQ(handed_back.xres_virtual, 1024u);
    EXPECT_EQ(handed_back.bits_per_pixel, 32u);

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

// --- presenting ----------------------------------------------------------------

TEST(FramebufferPresent, CopiesEachWholeRowThatFitsToItsLineStartAndTouchesNothingElse) {
    struct Case {
        const char* name;
        std::uint32_t width, height, line_length, memory;
        std::size_t rows, row_bytes;  // what must be copied
    };
    const Case cases[] = {
        {"unpadded, double-buffered", 6, 3, 24, 2 * 24 * 3, 3, 24},
        {"padded", 5, 4, 32, 32 * 4, 4, 20},
        {"unpadded, room for two and a half rows", 4, 3, 16, 40, 2, 16},
        // The third row's pixels would end at 2 × 24 + 16 = 64 > 60.
        {"padded, short mapping", 4, 3, 24, 60, 2, 16},
        {"line length shorter than a row", 4, 3, 12, 36, 3, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFramebufferDevice device;
        device.variable->xres = c.width;
        device.variable->yres = c.height;
        device.fixed = FixedScreenInfo{c.memory, c.line_length};
        LogLines log;
        Framebuffer surface = Framebuffer::open(1, 1, false, device, log.fn());
        for (std::size_t i = 0; i < surface.pixels().size(); ++i)
            surface.pixels()[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010203u);
        surface.present();

        // The device takes the pixels' bytes as they lie in memory.
        std::vector<std::byte> expected(c.memory, FakeFramebufferDevice::kUntouched);
        for (std::size_t y = 0; y < c.rows; ++y) {
            std::memcpy(expected.data() + y * c.line_length, surface.pixels().data() + y * c.width,
                        c.row_bytes);
        }
        const auto memory = device.memory();
        EXPECT_EQ(std::vector<std::byte>(memory.begin(), memory.end()), expected);
    }
}

TEST(FramebufferPresent, PresentingRowsCopiesThoseRowsAloneAndCountsTheBytes) {
    for (const std::uint32_t line_length : {16u, 24u}) {  // unpadded, padded
        SCOPED_TRACE(line_length);
        FakeFramebufferDevice device;
        device.variable->xres = 4;
        device.variable->yres = 8;
        device.fixed = FixedScreenInfo{line_length * 8, line_length};
        LogLines log;
        Framebuffer surface = Framebuffer::open(1, 1, false, device, log.fn());
        for (std::size_t i = 0; i < surface.pixels().size(); ++i)
            surface.pixels()[i] = 0xFF000000u | static_cast<std::uint32_t>(i + 1);
        const RowSpan rows[] = {{5, 7}, {1, 2}, {7, 20}, {3, 3}};  // any order; clipped
        surface.present_rows(rows);

        std::vector<std::byte> expected(line_length * 8, FakeFramebufferDevice::kUntouched);
        for (const std::size_t y : {1u, 5u, 6u, 7u})
            std::memcpy(expected.data() + y * line_length, surface.pixels().data() + y * 4, 16);
        const auto memory = device.memory();
        EXPECT_EQ(std::vector<std::byte>(memory.begin(), memory.end()), expected);
        EXPECT_EQ(surface.presented_bytes(), 4u * 16u);
        surface.present();
        EXPECT_EQ(surface.presented_bytes(), 12u * 16u);
    }
}

}  // namespace
}  // namespace papyr
