#include "input/action.h"

namespace papyr {

std::string_view action_name(Action action) {
    switch (action) {
        case Action::Up:
            return "Up";
        case Action::Down:
            return "Down";
        case Action::Left:
            return "Left";
        case Action::Right:
            return "Right";
        case Action::Confirm:
            return "Confirm";
        case Action::Cancel:
            return "Cancel";
        case Action::ActionX:
            return "ActionX";
        case Action::ActionY:
            return "ActionY";
        case Action::PrevSource:
            return "PrevSource";
        case Action::NextSource:
            return "NextSource";
        case Action::PrevCategory:
            return "PrevCategory";
        case Action::NextCategory:
            return "NextCategory";
        case Action::ToggleTheme:
            return "ToggleTheme";
        case Action::HelpToggle:
            return "HelpToggle";
        case Action::Exit:
            return "Exit";
    }
    return "Unknown";
}

}  // namespace papyr
