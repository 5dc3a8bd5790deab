#pragma once

// The rules that turn actions and task results into changes of AppState.

#include <cstdint>
#include <string>

#include "base/diagnostics.h"
#include "input/action.h"
#include "main/app_state.h"
#include "main/clock.h"
#include "main/effects.h"
#include "main/messages.h"

namespace papyr {

inline constexpr std::size_t kListWindow = 5;
inline constexpr std::int32_t kReaderLineStep = 40;
inline constexpr std::int32_t kReaderPageStep = 500;
inline constexpr std::int32_t kReaderBottomAllowance = 140;
inline constexpr Nanoseconds kNoticeLifetime = std::chrono::seconds(3);

// What action handling needs besides the state.
struct ActionContext {
    Clock& clock;
    Effects& effects;
    const LogFn& log;
    std::int32_t max_scroll = 0;  // computed once per frame, see reader_max_scroll
};

void set_notice(AppState& state, std::string text, Instant now);
void expire_notice(AppState& state, Instant now);

void handle_message(AppState& state, WorkerMessage message, Instant now);
void handle_action(AppState& state, Action action, ActionContext& context);

// The reader cannot scroll further than this: the laid-out height, less the
// screen, plus room below the last line.
std::int32_t reader_max_scroll(std::int32_t reader_content_height, std::int32_t screen_height);

}  // namespace papyr
