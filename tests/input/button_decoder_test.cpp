#include "input/button_decoder.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input/event_record.h"
#include "input/input_event.h"

namespace papyr {
namespace {

using test::kAbsolute;
using test::kKey;
using test::make_record;

TEST(InputEventRecord, OnlyCompleteRecordsOfAReadAreHandled) {
    std::vector<std::byte> bytes =
        test::concat({make_record(kKey, 305, 1), make_record(kKey, 304, 1)});
    bytes.resize(30);  // one record and 6 bytes of the next
    std::vector<InputEvent> events;
    for_each_input_event(bytes, [&](const InputEvent& event) { events.push_back(event); });
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, 305);
}

// Named by the kernel's own constants, so the table is checked against the
// kernel's numbering rather than against a copy of the program's numbers.
TEST(KeyTable, MapsTheConsoleButtonsAndNothingElse) {
    const std::pair<std::uint16_t, Action> expected[] = {
        {KEY_UP, Action::Up},
        {BTN_DPAD_UP, Action::Up},
        {KEY_DOWN, Action::Down},
        {BTN_DPAD_DOWN, Action::Down},
        {KEY_LEFT, Action::Left},
        {BTN_DPAD_LEFT, Action::Left},
        {KEY_RIGHT, Action::Right},
        {BTN_DPAD_RIGHT, Action::Right},
        {BTN_EAST, Action::Confirm},
        {BTN_SOUTH, Action::Cancel},
        {BTN_WEST, Action::ActionX},
        {BTN_NORTH, Action::ActionY},
        {BTN_TL, Action::PrevSource},
        {BTN_TR, Action::NextSource},
        {BTN_TL2, Action::PrevCategory},
        {BTN_TR2, Action::NextCategory},
        {BTN_SELECT, Action::ToggleTheme},
        {BTN_START, Action::HelpToggle},
        {BTN_MODE, Action::Exit},
        {BTN_TRIGGER_HAPPY1, Action::Exit},
        {BTN_TRIGGER_HAPPY2, Action::Exit},
    };
    for (const auto& [code, action] : expected) {
        EXPECT_EQ(key_action(code), action) << "code " << code;
    }
    int mapped = 0;
    for (int code = 0; code <= 0xFFFF; ++code) {
        if (key_action(static_cast<std::uint16_t>(code)))
            ++mapped;
    }
    EXPECT_EQ(mapped, static_cast<int>(std::size(expected)));
}

TEST(ButtonDecoderKeys, PressAndRepeatSendWithALogLineReleaseDoesNothing) {
    ButtonDecoder decoder;
    const DecodedEvent press = decoder.decode(decode_input_event(make_record(kKey, 305, 1)), 1);
    EXPECT_EQ(press.action, Action::Confirm);
    EXPECT_EQ(press.log_line, "[Input-Device] fd: 1 EV_KEY code: 305 val: 1 -> action: Confirm");

    const DecodedEvent release = decoder.decode(decode_input_event(make_record(kKey, 305, 0)), 1);
    EXPECT_EQ(release.action, std::nullopt);
    EXPECT_EQ(release.log_line, "");

    for (int i = 0; i < 3; ++i) {
        const DecodedEvent repeat =
            decoder.decode(decode_input_event(make_record(kKey, 545, 2)), 0);
        EXPECT_EQ(repeat.action, Action::Down);
        EXPECT_EQ(repeat.log_line, "[Input-Device] fd: 0 EV_KEY code: 545 val: 2 -> action: Down");
    }
}

TEST(ButtonDecoderKeys, UnmappedCodesAndOtherValuesAreSilent) {
    ButtonDecoder decoder;
    for (const auto& [code, value] : std::vector<std::pair<std::uint16_t, std::int32_t>>{
             {306, 1}, {309, 1}, {0, 1}, {330, 1}, {305, 3}, {305, -1}}) {
        const DecodedEvent decoded = decoder.decode(InputEvent{kKey, code, value}, 0);
        EXPECT_EQ(decoded.action, std::nullopt) << code << " " << value;
        EXPECT_EQ(decoded.log_line, "") << code << " " << value;
    }
}

TEST(ButtonDecoderKeys, OtherEventTypesAreIgnored) {
    ButtonDecoder decoder;
    // A relative motion on code 0 is not the left stick, and a misc record
    // with a key's code is not a key.
    for (const std::uint16_t type :
         {test::kSync, test::kRelative, test::kMisc, std::uint16_t{21}}) {
        EXPECT_EQ(decoder.decode(InputEvent{type, 0, -20000}, 0).action, std::nullopt);
        EXPECT_EQ(decoder.decode(InputEvent{type, 305, 1}, 0).action, std::nullopt);
    }
}

// Feeds one axis code a series of values and collects what each one sends.
std::vector<std::optional<Action>> move(ButtonDecoder& decoder, std::uint16_t code,
                                        std::vector<std::int32_t> values) {
    std::vector<std::optional<Action>> sent;
    for (const std::int32_t value : values) {
        const DecodedEvent decoded = decoder.decode(InputEvent{kAbsolute, code, value}, 0);
        EXPECT_EQ(decoded.log_line, "") << "sticks and hats print nothing";
        sent.push_back(decoded.action);
    }
    return sent;
}

constexpr std::optional<Action> kNothing = std::nullopt;

TEST(ButtonDecoderSticks, SendOnceOnLeavingTheCentreAndAgainAfterReturning) {
    ButtonDecoder decoder;
    EXPECT_EQ(move(decoder, 0, {-20000, -30000, -5000, -25000}),
              (std::vector{std::optional(Action::Left), kNothing, kNothing,
                           std::optional(Action::Left)}));
    EXPECT_EQ(move(decoder, 1, {20000, 32767, 0, 16001, -16001}),
              (std::vector{std::optional(Action::Down), kNothing, kNothing,
                           std::optional(Action::Down), std::optional(Action::Up)}));
}

TEST(ButtonDecoderSticks, TheThresholdItselfCountsAsCentre) {
    ButtonDecoder decoder;
    EXPECT_EQ(move(decoder, 0, {16000, -16000, 2, -2, 16001}),
              (std::vector{kNothing, kNothing, kNothing, kNothing, std::optional(Action::Right)}));
}

TEST(ButtonDecoderSticks, HatsCountPlusMinusOneAsPushedAndCrossStraightOver) {
    ButtonDecoder decoder;
    EXPECT_EQ(move(decoder, 16, {-1, 1, 1, 0, 1}),
              (std::vector{std::optional(Action::Left), std::optional(Action::Right), kNothing,
                           kNothing, std::optional(Action::Right)}));
    EXPECT_EQ(move(decoder, 17, {-1, -1, 1}),
              (std::vector{std::optional(Action::Up), kNothing, std::optional(Action::Down)}));
}

TEST(ButtonDecoderSticks, StickAndHatShareADirectionAndAxesAreIndependent) {
    ButtonDecoder decoder;
    // The hat reports the side the stick already holds: nothing new.
    EXPECT_EQ(move(decoder, 0, {-20000}), (std::vector{std::optional(Action::Left)}));
    EXPECT_EQ(move(decoder, 16, {-1}), (std::vector{kNothing}));
    // Holding left does not stop up and down.
    EXPECT_EQ(move(decoder, 1, {-20000}), (std::vector{std::optional(Action::Up)}));
    // Axes that are not sticks, hats or triggers change nothing.
    EXPECT_EQ(move(decoder, 3, {-20000, 20000}), (std::vector{kNothing, kNothing}));
    EXPECT_EQ(move(decoder, 0, {-20000}), (std::vector{kNothing}));
}

TEST(ButtonDecoderTriggers, SendOncePerPressFrom101AndAgainAfterDroppingTo100) {
    ButtonDecoder decoder;
    const auto left = [&](std::int32_t value) { return decoder.decode({kAbsolute, 2, value}, 0); };
    const auto right = [&](std::int32_t value) { return decoder.decode({kAbsolute, 5, value}, 0); };

    EXPECT_EQ(left(50).action, std::nullopt);
    const DecodedEvent pressed = left(120);
    EXPECT_EQ(pressed.action, Action::PrevCategory);
    EXPECT_EQ(pressed.log_line, "[Input-Device] L2 trigger pressed (val: 120) -> PrevCategory");
    EXPECT_EQ(left(255).log_line, "");  // held: no action, no line
    EXPECT_EQ(left(90).action, std::nullopt);
    EXPECT_EQ(left(130).action, Action::PrevCategory);

    EXPECT_EQ(right(100).action, std::nullopt);
    const DecodedEvent right_pressed = right(101);
    EXPECT_EQ(right_pressed.action, Action::NextCategory);
    EXPECT_EQ(right_pressed.log_line,
              "[Input-Device] R2 trigger pressed (val: 101) -> NextCategory");
    EXPECT_EQ(left(200).action, std::nullopt);  // each trigger keeps its own state
    EXPECT_EQ(right(100).action, std::nullopt);
    EXPECT_EQ(right(101).action, Action::NextCategory);
}

TEST(ButtonDecoderTriggers, AKeyAndAnAxisForOnePressSendTwice) {
    ButtonDecoder decoder;
    EXPECT_EQ(decoder.decode({kKey, 312, 1}, 0).action, Action::PrevCategory);
    EXPECT_EQ(decoder.decode({kAbsolute, 2, 255}, 0).action, Action::PrevCategory);
    EXPECT_EQ(decoder.decode({kKey, 313, 1}, 0).action, Action::NextCategory);
    EXPECT_EQ(decoder.decode({kAbsolute, 5, 255}, 0).action, Action::NextCategory);
}

}  // namespace
}  // namespace papyr
