#include "window/key_map.h"

#include <SDL_gamecontroller.h>
#include <SDL_keycode.h>
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "input/keyboard_reader.h"
#include "window/simulator_window.h"

namespace papyr {
namespace {

TEST(WindowKeys, LettersAndEscapeMeanWhatTheyMeanTypedOnStandardInput) {
    // SDL names a letter key by its lower-case character whatever the
    // shift state, so the typed table's lower-case half is the one used.
    for (char letter = 'a'; letter <= 'z'; ++letter)
        EXPECT_EQ(window_key_action(letter), keyboard_action(letter)) << letter;
    EXPECT_EQ(window_key_action(SDLK_w), Action::Up);
    EXPECT_EQ(window_key_action(SDLK_j), Action::Confirm);
    EXPECT_EQ(window_key_action(SDLK_q), Action::Exit);
    EXPECT_EQ(window_key_action(SDLK_ESCAPE), Action::Cancel);
    EXPECT_EQ(window_key_action(SDLK_c), std::nullopt);
}

TEST(WindowKeys, OtherKeysDoNothing) {
    // Line feed is the typed Enter; no window key sends it, and the keys
    // around the mapped ones stay unmapped.
    for (SDL_Keycode key :
         {SDL_Keycode{'\n'}, SDL_Keycode{SDLK_SPACE}, SDL_Keycode{SDLK_F2}, SDL_Keycode{SDLK_F11},
          SDL_Keycode{SDLK_INSERT}, SDL_Keycode{SDLK_DELETE}, SDL_Keycode{SDLK_LSHIFT},
          SDL_Keycode{SDLK_1}, SDL_Keycode{0}, SDL_Keycode{-1}})
        EXPECT_EQ(window_key_action(key), std::nullopt) << key;
}

std::vector<std::optional<Action>> moves(ControllerAxes& axes, int axis,
                                         std::initializer_list<std::int16_t> values) {
    std::vector<std::optional<Action>> sent;
    for (std::int16_t value : values)
        sent.push_back(axes.move(axis, value));
    return sent;
}

TEST(ControllerAxes, TheLeftStickSendsOneDirectionPerPushOutOfTheCentreBand) {
    ControllerAxes axes;
    EXPECT_EQ(moves(axes, SDL_CONTROLLER_AXIS_LEFTX, {-20000, -30000, -5000, -25000, 32767}),
              (std::vector<std::optional<Action>>{Action::Left, std::nullopt, std::nullopt,
                                                  Action::Left, Action::Right}));
    EXPECT_EQ(
        moves(axes, SDL_CONTROLLER_AXIS_LEFTY, {16000, 16001, 0, -32768}),
        (std::vector<std::optional<Action>>{std::nullopt, Action::Down, std::nullopt, Action::Up}));
    // The right stick is not a direction.
    EXPECT_EQ(moves(axes, SDL_CONTROLLER_AXIS_RIGHTX, {-32768, 32767}),
              (std::vector<std::optional<Action>>{std::nullopt, std::nullopt}));
}

TEST(ControllerAxes, TriggersSendOneActionPerPressPastTheConsoleThreshold) {
    ControllerAxes axes;
    // The console's 101 of 255, on SDL's travel of 32767: 12979 and more.
    EXPECT_EQ(
        moves(axes, SDL_CONTROLLER_AXIS_TRIGGERLEFT, {101, 12978, 12979, 32767, 12000, 20000}),
        (std::vector<std::optional<Action>>{std::nullopt, std::nullopt, Action::PrevCategory,
                                            std::nullopt, std::nullopt, Action::PrevCategory}));
    // Each trigger is held on its own.
    EXPECT_EQ(moves(axes, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, {20000, 30000}),
              (std::vector<std::optional<Action>>{Action::NextCategory, std::nullopt}));
}

TEST(WindowScale, IsTheLargestWholeFactorThatFitsTheScreen) {
    EXPECT_EQ(whole_scale(1024, 768, 1600, 1000), 1);
    EXPECT_EQ(whole_scale(1024, 768, 2200, 1700), 2);
    EXPECT_EQ(whole_scale(1024, 768, 3072, 2304), 3);  // exactly three times
    EXPECT_EQ(whole_scale(1280, 720, 3839, 2160), 2);  // one pixel short of three
    EXPECT_EQ(whole_scale(1280, 720, 2560, 1439), 1);  // the height decides
    EXPECT_EQ(whole_scale(1280, 720, 800, 600), 1);    // nothing fits: 1
    EXPECT_EQ(whole_scale(1280, 720, 0, 0), 1);
}

}  // namespace
}  // namespace papyr
