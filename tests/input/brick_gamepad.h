#pragma once

// A session on the Brick's gamepad as its event device reports it: the d-pad
// as hat axes that go to ±1 and back to 0, the analogue triggers as ABS_Z and
// ABS_RZ ramping through 0 to 255 and back, the face buttons and MENU
// (BTN_MODE) as keys with press and release, the sticks resting with a
// little noise around the centre, and a SYN_REPORT closing every report.
// Each report is one read's worth, the way the device hands them out.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "input/action.h"
#include "input/event_record.h"

namespace papyr::test::brick {

inline constexpr std::uint16_t kHatX = 16;  // ABS_HAT0X
inline constexpr std::uint16_t kHatY = 17;  // ABS_HAT0Y
inline constexpr std::uint16_t kStickX = 0;
inline constexpr std::uint16_t kStickY = 1;
inline constexpr std::uint16_t kTriggerL2 = 2;  // ABS_Z
inline constexpr std::uint16_t kTriggerR2 = 5;  // ABS_RZ
inline constexpr std::uint16_t kButtonA = 305;
inline constexpr std::uint16_t kButtonB = 304;
inline constexpr std::uint16_t kButtonMode = 316;

using Report = std::vector<Record>;

inline Report report(std::initializer_list<Record> records) {
    Report out(records);
    out.push_back(make_record(kSync, 0, 0));
    return out;
}

inline Report axis(std::uint16_t code, std::int32_t value) {
    return report({make_record(kAbsolute, code, value)});
}

inline Report key(std::uint16_t code, std::int32_t value) {
    return report({make_record(kKey, code, value)});
}

// A trigger pulled all the way and let go, as the driver samples it.
inline std::vector<Report> trigger_pull(std::uint16_t code) {
    std::vector<Report> reports;
    for (const std::int32_t value : {0, 18, 57, 100, 143, 211, 255, 255, 230, 160, 101, 64, 9, 0})
        reports.push_back(axis(code, value));
    return reports;
}

inline std::vector<Report> session() {
    std::vector<Report> reports = {
        // The sticks at rest report small values now and then.
        report({make_record(kAbsolute, kStickX, 312), make_record(kAbsolute, kStickY, -127)}),
        axis(kHatY, 1),
        axis(kHatY, 0),  // down
        axis(kHatY, 1),
        axis(kHatY, 0),  // down
        axis(kHatX, 1),
        axis(kHatX, 0),  // right
        axis(kHatY, -1),
        axis(kHatY, 0),  // up
        // Left, and while it is held, down on the other axis.
        axis(kHatX, -1),
        axis(kHatY, 1),
        report({make_record(kAbsolute, kHatX, 0), make_record(kAbsolute, kHatY, 0)}),
        report({make_record(kAbsolute, kStickX, -540)}),
    };
    for (const Report& pulled : trigger_pull(kTriggerR2))
        reports.push_back(pulled);
    for (const Report& pulled : trigger_pull(kTriggerL2))
        reports.push_back(pulled);
    for (const Report& pressed : {key(kButtonA, 1), key(kButtonA, 0), key(kButtonB, 1),
                                  key(kButtonB, 0), key(kButtonMode, 1), key(kButtonMode, 0)}) {
        reports.push_back(pressed);
    }
    return reports;
}

// What the session must send, in order: one action per press, one per pull.
inline const std::vector<Action> kSessionActions = {
    Action::Down,    Action::Down,   Action::Right,        Action::Up,
    Action::Left,    Action::Down,   Action::NextCategory, Action::PrevCategory,
    Action::Confirm, Action::Cancel, Action::Exit,
};

// The log lines the session prints: keys name the device's place in the
// list of opened devices, triggers their value at the press.
inline std::vector<std::string> session_log_lines(std::size_t device_index) {
    const std::string fd = "[Input-Device] fd: " + std::to_string(device_index) + " EV_KEY code: ";
    return {
        "[Input-Device] R2 trigger pressed (val: 143) -> NextCategory",
        "[Input-Device] L2 trigger pressed (val: 143) -> PrevCategory",
        fd + "305 val: 1 -> action: Confirm",
        fd + "304 val: 1 -> action: Cancel",
        fd + "316 val: 1 -> action: Exit",
    };
}

}  // namespace papyr::test::brick
