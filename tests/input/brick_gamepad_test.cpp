// The decoder over a recorded session of the Brick's gamepad (see
// brick_gamepad.h); device_reader_test.cpp plays the same session through a
// stand-in device.

#include "input/brick_gamepad.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/button_decoder.h"
#include "input/input_event.h"

namespace papyr {
namespace {

TEST(BrickGamepad, ASessionSendsOneActionPerPressAndPullAndPrintsKeysAndTriggers) {
    ButtonDecoder decoder;
    std::vector<Action> actions;
    std::vector<std::string> lines;
    for (const test::brick::Report& report : test::brick::session()) {
        std::vector<std::byte> bytes;
        for (const test::Record& record : report)
            bytes.insert(bytes.end(), record.begin(), record.end());
        for_each_input_event(bytes, [&](const InputEvent& event) {
            DecodedEvent decoded = decoder.decode(event, 2);
            if (decoded.action)
                actions.push_back(*decoded.action);
            if (!decoded.log_line.empty())
                lines.push_back(std::move(decoded.log_line));
        });
    }
    EXPECT_EQ(actions, test::brick::kSessionActions);
    EXPECT_EQ(lines, test::brick::session_log_lines(2));
}

}  // namespace
}  // namespace papyr
