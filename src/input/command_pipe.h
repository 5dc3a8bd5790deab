#pragma once

// The command pipe: another local process drives the program by writing text
// commands, one per line, into a named pipe (FIFO).

#include <optional>
#include <string>
#include <string_view>

#include "input/action.h"
#include "input/reader_control.h"

namespace papyr {

// The action of one line, or nothing for an unknown word, an empty line or a
// line that is not valid UTF-8. White space at both ends (the line ending
// included) is ignored and the match is case-insensitive under full Unicode
// upper-casing.
[[nodiscard]] std::optional<Action> parse_command(std::string_view line);

// Thread body. Replaces whatever is at `path` (the program passes
// "/tmp/papyr_cmd") with a FIFO, then serves one writer after another: each
// line a writer sends is parsed and its action sent, and when every writer
// has closed the reader pauses 200 ms and opens the pipe again. Writers that
// open the pipe during the pause wait in their own open, so nothing is lost.
// Without a stop request it never returns.
void command_pipe_reader(const std::string& path, SendAction send,
                         const ReaderControl& control = {});

}  // namespace papyr
