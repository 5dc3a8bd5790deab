#include "base/diagnostics.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/utf8.h"

namespace papyr {
namespace {

// Characters that show nothing themselves but change how a terminal or a
// log viewer shows what follows: bidirectional embeddings, overrides and
// isolates, zero-width characters, line and paragraph separators, tags.
bool invisible_format(char32_t c) {
    return c == 0x00AD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB) || c == 0xFFFE || c == 0xFFFF ||
           (c >= 0xE0000 && c <= 0xE007F);
}

void append_escaped(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
        out += escaped;
    }
}

}  // namespace

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

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F || byte == '\\')
                append_escaped(out, text.substr(pos, 1));
            else
                out += static_cast<char>(byte);
            ++pos;
            continue;
        }
        const Utf8Step step = decode_utf8_step(text, pos);
        const std::string_view sequence = text.substr(pos, step.length);
        const bool shown = step.kind == Utf8Step::Kind::Valid && step.code_point >= 0xA0 &&
                           !invisible_format(step.code_point);
        if (shown)
            out += sequence;
        else
            append_escaped(out, sequence);
        pos += step.length;
    }
    return out;
}

}  // namespace papyr
