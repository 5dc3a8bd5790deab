#include "graphics/linux_framebuffer_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "graphics/framebuffer.h"
#include "support/temp.h"

namespace papyr {
namespace {

using ::testing::ElementsAre;

// What the real device path does on a machine without a framebuffer: every
// step runs against the kernel, and each fallback is reached for real.

std::vector<std::string> open_and_log(const std::string& path) {
    LinuxFramebufferDevice device;
    std::vector<std::string> lines;
    Framebuffer surface = Framebuffer::open(
        1280, 720, false, device, [&](std::string_view line) { lines.emplace_back(line); }, path);
    EXPECT_TRUE(surface.is_simulator());
    EXPECT_EQ(surface.width(), 1280u);
    EXPECT_EQ(surface.height(), 720u);
    EXPECT_EQ(surface.stride(), 5120u);
    surface.present();
    return lines;
}

TEST(LinuxFramebufferDevice, AMissingDeviceIsReportedWithTheSystemsErrorText) {
    test::TempDir dir;
    const std::string path = (dir / "fb0").string();
    EXPECT_THAT(open_and_log(path),
                ElementsAre("[Framebuffer] Notice: Could not open " + path +
                            " (No such file or directory). Initializing Desktop Simulator mode."));
    EXPECT_THAT(open_and_log(dir.path().string()),
                ElementsAre("[Framebuffer] Notice: Could not open " + dir.path().string() +
                            " (Is a directory). Initializing Desktop Simulator mode."));
}

TEST(LinuxFramebufferDevice, AFileThatIsNoFramebufferAnswersNoRequestAndCannotBeMapped) {
    // The ioctls fail on a regular file, so the records stay zeroed and the
    // zero-length mapping fails: the Warning path with the profile's size.
    test::TempDir dir;
    const std::string path = (dir / "fb0").string();
    test::write_file(path, std::string(4096, '\0'));
    EXPECT_THAT(open_and_log(path), ElementsAre("[Framebuffer] Warning: mmap " + path +
                                                " failed. Running in emulator mode."));
}

TEST(LinuxFramebufferDevice, MapsSharedMemoryThatReachesTheFile) {
    test::TempDir dir;
    const std::string path = (dir / "memory").string();
    test::write_file(path, std::string(4096, 'a'));
    LinuxFramebufferDevice device;
    const DeviceOpen opened = device.open_read_write(path);
    ASSERT_GE(opened.fd, 0);
    EXPECT_FALSE(device.read_variable_info(opened.fd).has_value());
    EXPECT_FALSE(device.read_fixed_info(opened.fd).has_value());
    EXPECT_FALSE(device.pan_display(opened.fd, VariableScreenInfo{}));
    EXPECT_EQ(device.map(opened.fd, 0), nullptr);
    std::byte* memory = device.map(opened.fd, 4096);
    ASSERT_NE(memory, nullptr);
    memory[0] = std::byte{'Z'};
    memory[4095] = std::byte{'!'};
    device.unmap(memory, 4096);
    device.close(opened.fd);
    const std::string contents = test::read_file(path);
    EXPECT_EQ(contents.front(), 'Z');
    EXPECT_EQ(contents.back(), '!');
    EXPECT_EQ(contents.substr(1, 4094), std::string(4094, 'a'));
}

}  // namespace
}  // namespace papyr
