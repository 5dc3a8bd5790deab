#include "input/keyboard_reader.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

namespace papyr {

namespace {

// Letters are listed in lower case and match in both cases.
constexpr std::array<std::pair<char, Action>, 17> kKeyTable = {{
    {'w', Action::Up},
    {'s', Action::Down},
    {'a', Action::Left},
    {'d', Action::Right},
    {'\n', Action::Confirm},
    {'j', Action::Confirm},
    {'\x1b', Action::Cancel},  // escape
    {'k', Action::Cancel},
    {'x', Action::ActionX},
    {'y', Action::ActionY},
    {'u', Action::PrevSource},
    {'i', Action::NextSource},
    {'o', Action::PrevCategory},
    {'p', Action::NextCategory},
    {'t', Action::ToggleTheme},
    {'h', Action::HelpToggle},
    {'q', Action::Exit},
}};

char ascii_lower(char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

}  // namespace

std::optional<Action> keyboard_action(char byte) {
    const char key = ascii_lower(byte);
    for (const auto& [listed, action] : kKeyTable) {
        if (listed == key)
            return action;
    }
    return std::nullopt;
}

void keyboard_reader(int fd, SendAction send) {
    for (;;) {
        char byte = 0;
        const ssize_t count = ::read(fd, &byte, 1);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        if (const std::optional<Action> action = keyboard_action(byte))
            send(*action);
    }
}

}  // namespace papyr
