#include "main/snapshot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/fakes.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

TEST(SnapshotPath, OnlyWhenTheVariableNamesAFileAndNoDeviceShowsTheFrames) {
    const EnvLookup named = test::env_of({{"PAPYR_SNAPSHOT", "/tmp/shot.png"}});
    EXPECT_EQ(snapshot_path(named, true), std::filesystem::path("/tmp/shot.png"));
    EXPECT_EQ(snapshot_path(named, false), std::nullopt);
    EXPECT_EQ(snapshot_path(test::env_of({{"PAPYR_SNAPSHOT", ""}}), true), std::nullopt);
    EXPECT_EQ(snapshot_path(test::env_of({}), true), std::nullopt);
}

// Each write as the first pixel of the frame and the clock's offset from
// the start, so a test reads which frame went out when.
struct Write {
    std::uint32_t first_pixel;
    std::chrono::milliseconds at;
    bool operator==(const Write&) const = default;
};

class SnapshotWriterTest : public ::testing::Test {
  protected:
    SnapshotWriterTest()
        : writer("/snap/shot.png", clock, log.fn(),
                 [this](const std::filesystem::path& path, std::size_t width, std::size_t height,
                        std::span<const std::uint32_t> pixels) -> Result<void> {
                     EXPECT_EQ(path, "/snap/shot.png");
                     EXPECT_EQ(pixels.size(), width * height);
                     if (failing)
                         return fail("cannot create /snap/shot.png: Read-only file system");
                     writes.push_back({pixels[0], elapsed()});
                     return {};
                 }) {}

    std::chrono::milliseconds elapsed() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - start);
    }

    // One frame of a solid colour, `after` the previous one.
    void frame(std::uint32_t colour, Nanoseconds after = 16ms) {
        clock.advance(after);
        surface.fill(colour);
        writer.frame_drawn(surface);
    }

    test::FakeClock clock;
    Instant start = clock.now();
    test::LogCollector log;
    Framebuffer surface = Framebuffer::in_memory(8, 4);
    std::vector<Write> writes;
    bool failing = false;
    SnapshotWriter writer;
};

TEST_F(SnapshotWriterTest, FirstFrameIsWrittenAndAnUnchangedScreenNeverAgain) {
    frame(1, 0ms);
    for (int i = 0; i < 100; ++i)
        frame(1);
    EXPECT_THAT(writes, ElementsAre(Write{1, 0ms}));
}

TEST_F(SnapshotWriterTest, AChangeTooSoonIsWrittenOnceTheIntervalHasPassed) {
    frame(1, 0ms);
    frame(2, 50ms);   // too soon
    frame(3, 50ms);   // still too soon; replaces the pending change
    frame(3, 90ms);   // 190 ms: not yet
    frame(3, 10ms);   // 200 ms: written, though nothing changed in this frame
    frame(3, 300ms);  // already written
    EXPECT_THAT(writes, ElementsAre(Write{1, 0ms}, Write{3, 200ms}));
}

TEST_F(SnapshotWriterTest, LastFrameIsWrittenAtOnceUnlessTheFileShowsItAlready) {
    frame(1, 0ms);
    frame(2, 16ms);
    writer.last_frame(surface);
    EXPECT_THAT(writes, ElementsAre(Write{1, 0ms}, Write{2, 16ms}));
    writer.last_frame(surface);
    EXPECT_EQ(writes.size(), 2U);
}

TEST_F(SnapshotWriterTest, AFailingWriteIsLoggedOnceAndRetriedAfterTheInterval) {
    failing = true;
    frame(1, 0ms);
    frame(1, 100ms);
    frame(1, 100ms);
    frame(1, 200ms);
    EXPECT_THAT(log.lines, ElementsAre("[Main] Snapshot not written: cannot create "
                                       "/snap/shot.png: Read-only file system"));
    failing = false;
    frame(1, 100ms);  // 100 ms after the last try
    EXPECT_TRUE(writes.empty());
    frame(1, 100ms);
    EXPECT_THAT(writes, ElementsAre(Write{1, 600ms}));
}

}  // namespace
}  // namespace papyr
