#include "base/diagnostics.h"

#include <unistd.h>

#include <cerrno>
#include <string>

namespace papyr {

void write_diagnostic_line(std::string_view line) {
    std::string buffer;
    buffer.reserve(line.size() + 1);
    buffer.append(line);
    buffer.push_back('\n');
    // One write per line; a pipe takes up to PIPE_BUF bytes atomically, and a
    // short write (a very long line) is finished with further writes.
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t written = ::write(STDERR_FILENO, buffer.data() + done, buffer.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

LogFn stderr_log() {
    return [](std::string_view line) { write_diagnostic_line(line); };
}

}  // namespace papyr
