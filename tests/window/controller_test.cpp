// A game controller through SDL's virtual joystick, so the whole road from
// SDL's events to actions runs without hardware.

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "window/sdl_input.h"

namespace papyr {
namespace {

class VirtualController : public ::testing::Test {
  protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // Only the virtual device: no real controller of the machine joins in.
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    }
    void TearDown() override {
        if (joystick_ != nullptr)
            SDL_JoystickClose(joystick_);
        SDL_Quit();
    }

    // Plugs in a controller with every standard button and axis.
    void plug_in() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.button_mask = (1U << SDL_CONTROLLER_BUTTON_MAX) - 1U;
        desc.axis_mask = (1U << SDL_CONTROLLER_AXIS_MAX) - 1U;
        desc.name = "Papyr test pad";
        device_index_ = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(device_index_, 0) << SDL_GetError();
        ASSERT_TRUE(SDL_IsGameController(device_index_));
        joystick_ = SDL_JoystickOpen(device_index_);
        ASSERT_NE(joystick_, nullptr) << SDL_GetError();
    }

    void press(SDL_GameControllerButton button) {
        ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick_, button, 1), 0);
        pump();
        ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick_, button, 0), 0);
        pump();
    }
    void move(SDL_GameControllerAxis axis, Sint16 value) {
        ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick_, axis, value), 0);
        pump();
    }
    void pump() {
        (void)input_.pump([this](Action action) { sent_.push_back(action); });
    }

    SdlInput input_;
    std::vector<Action> sent_;
    SDL_Joystick* joystick_ = nullptr;
    int device_index_ = -1;
};

TEST_F(VirtualController, PluggedInWhileRunningItIsOpenedAndItsButtonsSendActions) {
    pump();
    EXPECT_EQ(input_.open_controllers(), 0U);
    plug_in();
    pump();
    ASSERT_EQ(input_.open_controllers(), 1U);

    press(SDL_CONTROLLER_BUTTON_B);  // east
    press(SDL_CONTROLLER_BUTTON_A);  // south
    press(SDL_CONTROLLER_BUTTON_X);
    press(SDL_CONTROLLER_BUTTON_Y);
    press(SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
    press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
    press(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    press(SDL_CONTROLLER_BUTTON_BACK);
    press(SDL_CONTROLLER_BUTTON_START);
    press(SDL_CONTROLLER_BUTTON_GUIDE);
    press(SDL_CONTROLLER_BUTTON_LEFTSTICK);  // not used
    EXPECT_EQ(sent_, (std::vector<Action>{Action::Confirm, Action::Cancel, Action::ActionX,
                                          Action::ActionY, Action::PrevSource, Action::NextSource,
                                          Action::Down, Action::ToggleTheme, Action::HelpToggle,
                                          Action::Exit}));

    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    ASSERT_EQ(SDL_JoystickDetachVirtual(device_index_), 0);
    pump();
    EXPECT_EQ(input_.open_controllers(), 0U);
}

TEST_F(VirtualController, SticksAndTriggersFollowTheConsoleRules) {
    plug_in();
    pump();
    ASSERT_EQ(input_.open_controllers(), 1U);

    move(SDL_CONTROLLER_AXIS_LEFTX, -20000);  // Left
    move(SDL_CONTROLLER_AXIS_LEFTX, -30000);  // still pushed: nothing
    move(SDL_CONTROLLER_AXIS_LEFTX, 0);
    move(SDL_CONTROLLER_AXIS_LEFTY, 20000);  // Down
    move(SDL_CONTROLLER_AXIS_LEFTY, 32767);  // held: nothing
    // A virtual trigger is a full-range joystick axis that SDL maps onto
    // the trigger's 0 to 32767: its lowest value is the trigger at rest.
    move(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);  // one NextCategory per press
    move(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);      // half way: still pressed
    move(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
    move(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    move(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
    EXPECT_EQ(sent_, (std::vector<Action>{Action::Left, Action::Down, Action::NextCategory,
                                          Action::NextCategory, Action::PrevCategory}));
}

}  // namespace
}  // namespace papyr
