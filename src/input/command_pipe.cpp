#include "input/command_pipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "base/unicode.h"
#include "base/utf8.h"

namespace papyr {

namespace {

constexpr std::array<std::pair<std::string_view, Action>, 35> kCommandTable = {{
    {"W", Action::Up},
    {"UP", Action::Up},
    {"S", Action::Down},
    {"DOWN", Action::Down},
    {"LEFT", Action::Left},
    {"A_LEFT", Action::Left},
    {"RIGHT", Action::Right},
    {"D_RIGHT", Action::Right},
    {"A", Action::Confirm},
    {"OPEN", Action::Confirm},
    {"CONFIRM", Action::Confirm},
    {"B", Action::Cancel},
    {"BACK", Action::Cancel},
    {"CANCEL", Action::Cancel},
    {"X", Action::ActionX},
    {"FONT", Action::ActionX},
    {"REFRESH", Action::ActionX},
    {"Y", Action::ActionY},
    {"SAVE", Action::ActionY},
    {"BOOKMARK", Action::ActionY},
    {"L1", Action::PrevSource},
    {"PREV_SRC", Action::PrevSource},
    {"R1", Action::NextSource},
    {"NEXT_SRC", Action::NextSource},
    {"L2", Action::PrevCategory},
    {"PREV_CAT", Action::PrevCategory},
    {"R2", Action::NextCategory},
    {"NEXT_CAT", Action::NextCategory},
    {"THEME", Action::ToggleTheme},
    {"SELECT", Action::ToggleTheme},
    {"HELP", Action::HelpToggle},
    {"START", Action::HelpToggle},
    {"MENU", Action::Exit},
    {"EXIT", Action::Exit},
    {"Q", Action::Exit},
}};

constexpr std::size_t kReadBufferSize = 8192;
constexpr std::chrono::milliseconds kReopenPause{200};

// Lines of one open pipe, read through a fixed buffer.
class LineReader {
  public:
    enum class Status { Line, End, Error };

    explicit LineReader(int fd) : fd_(fd) {}

    // On Line, `line` holds the next line with its line feed, if it had one;
    // the last line of the input may end without one. End: no byte came for a
    // new line. Error: the read failed; the part of the line read so far is
    // lost.
    Status next(std::string& line) {
        line.clear();
        for (;;) {
            if (start_ == end_) {
                const ssize_t count = ::read(fd_, buffer_.data(), buffer_.size());
                if (count < 0 && errno == EINTR)
                    continue;
                if (count < 0)
                    return Status::Error;
                if (count == 0)
                    return line.empty() ? Status::End : Status::Line;
                start_ = 0;
                end_ = static_cast<std::size_t>(count);
            }
            const std::string_view pending(buffer_.data() + start_, end_ - start_);
            const std::size_t feed = pending.find('\n');
            const std::size_t taken = feed == std::string_view::npos ? pending.size() : feed + 1;
            line.append(pending.substr(0, taken));
            start_ += taken;
            if (feed != std::string_view::npos)
                return Status::Line;
        }
    }

  private:
    int fd_;
    std::array<char, kReadBufferSize> buffer_{};
    std::size_t start_ = 0;
    std::size_t end_ = 0;
};

void pause_before_reopening() {
    std::this_thread::sleep_for(kReopenPause);
}

// Blocks until a writer opens the pipe (a FIFO's open waits for one). Returns
// -1 only on a stop request.
int open_pipe(const std::string& path, const ReaderControl& control) {
    while (!control.stop_requested()) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0)
            return fd;
        if (errno != EINTR)
            pause_before_reopening();
    }
    return -1;
}

// Serves one opening of the pipe until every writer has closed it. A read
// error also ends it: errors that repeat on every call (a directory at the
// path opens but cannot be read) would otherwise turn the loop into a spin,
// and the caller's pause and reopen is the back-off.
void read_commands(int fd, const SendAction& send, const ReaderControl& control) {
    LineReader reader(fd);
    std::string line;
    while (!control.stop_requested()) {
        const LineReader::Status status = reader.next(line);
        if (status != LineReader::Status::Line)
            return;
        if (const std::optional<Action> action = parse_command(line))
            send(*action);
    }
}

}  // namespace

std::optional<Action> parse_command(std::string_view line) {
    if (!is_valid_utf8(line))
        return std::nullopt;
    // The line feed and a carriage return before it are white space, so
    // trimming also removes the line ending.
    const std::string command = to_unicode_upper(trim_unicode_whitespace(line));
    for (const auto& [word, action] : kCommandTable) {
        if (word == command)
            return action;
    }
    return std::nullopt;
}

void command_pipe_reader(const std::string& path, SendAction send, const ReaderControl& control) {
    // A pipe or file left behind by an earlier run is replaced. When either
    // step fails, whatever is at the path is opened instead: a regular file
    // that cannot be deleted is read again on every pass.
    ::unlink(path.c_str());
    ::mkfifo(path.c_str(), 0666);
    control.notify_listening();

    for (;;) {
        const int fd = open_pipe(path, control);
        if (fd < 0)
            return;
        read_commands(fd, send, control);
        ::close(fd);
        if (control.stop_requested())
            return;
        pause_before_reopening();
    }
}

}  // namespace papyr
