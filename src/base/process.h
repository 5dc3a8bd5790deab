#pragma once

// Runs an external program (curl, unzip, chmod) as a child process: found
// through PATH, started from an explicit argument vector without a shell,
// standard input from /dev/null, and waited for until it has ended.
//
// Captured streams are read concurrently, so a child that writes megabytes to
// both standard output and standard error never blocks on a full pipe. Every
// descriptor this module opens is close-on-exec, so children started at the
// same time by other threads never inherit each other's pipes (an inherited
// write end would keep a reader waiting for an end of file that never comes).

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/os_error.h"

namespace papyr {

enum class StreamMode {
    Capture,  // read through a pipe into the result
    Inherit,  // the child writes to this process's own stream
    Discard,  // the child writes to /dev/null
};

struct ProcessOptions {
    StreamMode stdout_mode = StreamMode::Capture;
    StreamMode stderr_mode = StreamMode::Capture;
};

// Bounds on a child whose output comes from another party.
struct ProcessLimits {
    // A child that writes more than this many bytes to the captured streams
    // together is killed (SIGKILL), and they keep only that many bytes.
    std::optional<std::size_t> max_capture_bytes;
    // A child still running after this long is killed (SIGKILL): a backstop
    // for programs whose own time limits may fail.
    std::optional<std::chrono::milliseconds> time_limit;
};

// The child could not be started: the program is missing or not executable,
// an argument contains a NUL byte (EINVAL), or the system ran out of
// resources. Also used in the rare case that the child cannot be waited for.
struct SpawnFailure {
    int errnum = 0;
};

// How a started child ended, and what it wrote to the captured streams
// (empty for streams that were inherited or discarded).
struct ProcessExit {
    std::optional<int> exit_code;    // absent when a signal ended the child
    std::optional<int> term_signal;  // the signal that ended it, if one did
    std::string stdout_bytes;
    std::string stderr_bytes;
    bool capture_overflowed = false;  // killed for writing past max_capture_bytes
    bool timed_out = false;           // killed at the time limit

    bool succeeded() const { return exit_code == 0; }
};

using ProcessOutcome = std::variant<SpawnFailure, ProcessExit>;

// Starts `program` with `arguments` (argv[0] is the program name itself, not
// part of `arguments`) and blocks until it has ended. Interrupted system calls
// are retried.
[[nodiscard]] ProcessOutcome run_process(const std::string& program,
                                         const std::vector<std::string>& arguments,
                                         const ProcessOptions& options = {},
                                         const ProcessLimits& limits = {});

}  // namespace papyr
