#include "main/device_profile.h"

#include <gtest/gtest.h>

#include <map>

#include "support/temp.h"

namespace papyr {
namespace {

EnvLookup env_of(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const std::string& name) -> std::optional<std::string> {
        const auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

class DeviceProfileTest : public ::testing::Test {
  protected:
    DeviceProfile detect_with_file(const std::string& content,
                                   std::map<std::string, std::string> env = {}) {
        test::write_file(dir / "trimui_device.txt", content);
        return detect_device_profile((dir / "trimui_device.txt").string(), env_of(std::move(env)));
    }
    DeviceProfile detect_without_file(std::map<std::string, std::string> env) {
        return detect_device_profile((dir / "absent.txt").string(), env_of(std::move(env)));
    }
    test::TempDir dir;
};

TEST_F(DeviceProfileTest, TheDeviceFileDecidesWhenItCanBeRead) {
    const DeviceProfile brick = detect_with_file("TrimUI Brick\n");
    EXPECT_TRUE(brick.is_brick);
    EXPECT_EQ(brick.screen_width, 1024U);
    EXPECT_EQ(brick.screen_height, 768U);
    EXPECT_TRUE(detect_with_file("\u00A0 BRICK \u3000\n").is_brick);
    EXPECT_TRUE(detect_with_file("BRIC\u212A").is_brick);  // Kelvin sign lower-cases to k

    const DeviceProfile other = detect_with_file("TrimUI Smart Pro", {{"TRIMUI_DEVICE", "brick"}});
    EXPECT_FALSE(other.is_brick);
    EXPECT_EQ(other.screen_width, 1280U);
    EXPECT_EQ(other.screen_height, 720U);
    // An empty but readable file still wins over the variable.
    EXPECT_FALSE(detect_with_file("", {{"TRIMUI_DEVICE", "brick"}}).is_brick);
}

TEST_F(DeviceProfileTest, TheVariableStandsInForAFileThatCannotBeRead) {
    EXPECT_TRUE(detect_without_file({{"TRIMUI_DEVICE", "TrimUI-Brick"}}).is_brick);
    EXPECT_FALSE(detect_without_file({}).is_brick);
    EXPECT_EQ(detect_without_file({}).screen_width, 1280U);
    EXPECT_TRUE(
        detect_with_file("brick\xFF", {{"TRIMUI_DEVICE", "Brick"}}).is_brick);  // invalid UTF-8
    EXPECT_FALSE(detect_with_file("brick\xFF", {}).is_brick);
    EXPECT_FALSE(detect_without_file({{"TRIMUI_DEVICE", "brick\xC3"}}).is_brick);
    // A folder at the path cannot be read as a file.
    EXPECT_TRUE(
        detect_device_profile(dir.path().string(), env_of({{"TRIMUI_DEVICE", "brick"}})).is_brick);
}

TEST(SimulatorRule, OnlyOneOrTrueInAnyCaseForcesTheSimulator) {
    for (const char* yes : {"1", "true", "TRUE", "True", "tRuE"}) {
        EXPECT_TRUE(is_simulator_forced(env_of({{"TRIMUI_SIMULATOR", yes}}))) << yes;
    }
    for (const char* no : {"0", "false", "yes", "01", " true", "true ", "1\n", "", "tru\xC3"}) {
        EXPECT_FALSE(is_simulator_forced(env_of({{"TRIMUI_SIMULATOR", no}}))) << no;
    }
    EXPECT_FALSE(is_simulator_forced(env_of({})));
}

}  // namespace
}  // namespace papyr
