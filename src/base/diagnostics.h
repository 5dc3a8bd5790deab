#pragma once

// Diagnostic lines go to standard error, one whole line per write(2), so that
// lines from different threads never interleave. Code that logs takes a
// LogFn so tests can collect the lines instead.

#include <functional>
#include <string>
#include <string_view>

namespace papyr {

// Receives one line without its line feed.
using LogFn = std::function<void(std::string_view line)>;

// Writes the line and a line feed to standard error in a single write.
void write_diagnostic_line(std::string_view line);

// A LogFn that calls write_diagnostic_line.
LogFn stderr_log();

// The text with every byte that is not part of printable UTF-8 written as
// \xHH: control characters (C0, DEL, C1), invalid or incomplete sequences,
// and the invisible format characters that reorder or hide what a terminal
// shows. A backslash is written as \x5C, so the escapes cannot be forged.
[[nodiscard]] std::string printable(std::string_view text);

}  // namespace papyr
