#include "main/device_profile.h"

#include <gtest/gtest.h>

#include "main/fakes.h"
#include "support/temp.h"

namespace papyr {
namespace {

using test::env_of;

TEST(DeviceProfile, TheReadableDeviceFileDecidesAndTheVariableStandsInForIt) {
    const struct {
        const char* name;
        std::optional<std::string> file;  // absent: no file at the path
        std::optional<std::string> variable;
        bool brick;
    } cases[] = {
        {"file names the Brick", "TrimUI Brick\n", std::nullopt, true},
        {"Unicode blanks and case", "\u00A0 BRICK \u3000\n", std::nullopt, true},
        {"Kelvin sign lower-cases to k", "BRIC\u212A", std::nullopt, true},
        {"file wins over the variable", "TrimUI Smart Pro", "brick", false},
        {"an empty file still wins", "", "brick", false},
        {"no file: the variable", std::nullopt, "TrimUI-Brick", true},
        {"no file, no variable", std::nullopt, std::nullopt, false},
        {"invalid UTF-8 file: the variable", "brick\xFF", "Brick", true},
        {"invalid UTF-8 file alone", "brick\xFF", std::nullopt, false},
        {"invalid UTF-8 variable", std::nullopt, "brick\xC3", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempDir dir;
        if (c.file)
            test::write_file(dir / "device.txt", *c.file);
        std::map<std::string, std::string> env;
        if (c.variable)
            env["TRIMUI_DEVICE"] = *c.variable;

        const DeviceProfile profile =
            detect_device_profile((dir / "device.txt").string(), env_of(env));

        EXPECT_EQ(profile.is_brick, c.brick);
        EXPECT_EQ(profile.screen_width, c.brick ? 1024U : 1280U);
        EXPECT_EQ(profile.screen_height, c.brick ? 768U : 720U);
    }
    // A folder at the path cannot be read as a file.
    const test::TempDir dir;
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
