#pragma once

// Diagnostic lines go to standard error, one whole line per write(2), so that
// lines from different threads never interleave. Code that logs takes a
// LogFn so tests can collect the lines instead.

#include <functional>
#include <string_view>

namespace papyr {

// Receives one line without its line feed.
using LogFn = std::function<void(std::string_view line)>;

// Writes the line and a line feed to standard error in a single write.
void write_diagnostic_line(std::string_view line);

// A LogFn that calls write_diagnostic_line.
LogFn stderr_log();

}  // namespace papyr
