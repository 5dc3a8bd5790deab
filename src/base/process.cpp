#include "base/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <utility>

extern char** environ;  // NOLINT: the process environment, passed on to children

namespace papyr {
namespace {

// Owns one file descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

struct Pipe {
    UniqueFd read_end;
    UniqueFd write_end;
};

// Both ends close-on-exec from the start: a fork in another thread between
// pipe() and a later fcntl() would otherwise leak them.
int open_pipe(Pipe& pipe) {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    pipe.read_end = UniqueFd(fds[0]);
    pipe.write_end = UniqueFd(fds[1]);
    return 0;
}

// The posix_spawn attribute and file-action objects, destroyed on every path.
class SpawnSetup {
  public:
    SpawnSetup() {
        actions_ok_ = posix_spawn_file_actions_init(&actions_) == 0;
        attributes_ok_ = posix_spawnattr_init(&attributes_) == 0;
    }
    ~SpawnSetup() {
        if (actions_ok_)
            posix_spawn_file_actions_destroy(&actions_);
        if (attributes_ok_)
            posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool ready() const { return actions_ok_ && attributes_ok_; }
    posix_spawn_file_actions_t* actions() { return &actions_; }
    posix_spawnattr_t* attributes() { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    bool actions_ok_ = false;
    bool attributes_ok_ = false;
};

// The child starts with an empty signal mask and SIGPIPE at its default
// action: this program ignores SIGPIPE and worker threads may block signals,
// and neither should be passed on to programs that expect a normal start.
int reset_child_signals(posix_spawnattr_t* attributes) {
    sigset_t empty;
    sigset_t defaults;
    sigemptyset(&empty);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    if (int error = posix_spawnattr_setsigmask(attributes, &empty))
        return error;
    if (int error = posix_spawnattr_setsigdefault(attributes, &defaults))
        return error;
    const auto flags = static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    return posix_spawnattr_setflags(attributes, flags);
}

// Arranges where the child's descriptor `target` (1 or 2) goes; a captured
// stream gets a fresh pipe whose write end becomes the child's descriptor.
int route_output(posix_spawn_file_actions_t* actions, int target, StreamMode mode, Pipe& pipe) {
    switch (mode) {
        case StreamMode::Inherit:
            return 0;
        case StreamMode::Discard:
            return posix_spawn_file_actions_addopen(actions, target, "/dev/null", O_WRONLY, 0);
        case StreamMode::Capture:
            if (int error = open_pipe(pipe))
                return error;
            // dup2 clears close-on-exec on the child's copy only.
            return posix_spawn_file_actions_adddup2(actions, pipe.write_end.get(), target);
    }
    return EINVAL;
}

int wait_for_child(pid_t pid, int& status) {
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

// One captured stream being read.
struct Capture {
    UniqueFd fd;
    std::string* sink = nullptr;
};

// What ended the reading early, if anything.
enum class CaptureEnd { Complete, Overflowed, TimedOut };

struct CaptureLimits {
    std::optional<std::size_t> max_bytes;
    std::optional<std::chrono::steady_clock::time_point> deadline;
};

// Milliseconds poll may wait before the deadline passes; -1 without one.
int poll_timeout(const CaptureLimits& limits) {
    if (!limits.deadline)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *limits.deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count() + 1, 0, 60'000));
}

// Appends what one read gave, keeping the sink within the byte limit.
// False when the limit was passed.
bool take_bytes(std::string& sink, const char* bytes, std::size_t count,
                std::optional<std::size_t>& bytes_left) {
    if (bytes_left && count > *bytes_left) {
        sink.append(bytes, *bytes_left);
        return false;
    }
    sink.append(bytes, count);
    if (bytes_left)
        *bytes_left -= count;
    return true;
}

// Reads every open capture until each reaches end of file, whichever stream
// the child happens to fill first, or until a limit ends the reading.
// Returns 0, or the errno of a failed poll.
int read_captures(std::array<Capture, 2>& captures, const CaptureLimits& limits, CaptureEnd& end) {
    std::array<char, 16384> buffer{};
    std::optional<std::size_t> bytes_left = limits.max_bytes;
    while (true) {
        std::array<pollfd, 2> polled{};
        std::array<Capture*, 2> owners{};
        nfds_t count = 0;
        for (Capture& capture : captures) {
            if (!capture.fd.is_open())
                continue;
            polled[count] = pollfd{capture.fd.get(), POLLIN, 0};
            owners[count] = &capture;
            ++count;
        }
        if (count == 0)
            return 0;
        if (limits.deadline && std::chrono::steady_clock::now() >= *limits.deadline) {
            end = CaptureEnd::TimedOut;
            return 0;
        }
        if (::poll(polled.data(), count, poll_timeout(limits)) < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (polled[i].revents == 0)
                continue;
            const ssize_t got = ::read(polled[i].fd, buffer.data(), buffer.size());
            if (got > 0) {
                if (!take_bytes(*owners[i]->sink, buffer.data(), static_cast<std::size_t>(got),
                                bytes_left)) {
                    end = CaptureEnd::Overflowed;
                    return 0;
                }
            } else if (got == 0 || errno != EINTR) {
                owners[i]->fd.reset();  // end of file, or a read error ends the stream
            }
        }
    }
}

// Waits for the child; past the deadline it is killed first. A child that
// closed its streams early can still be running when they reach their end.
int wait_with_deadline(pid_t pid, int& status, const CaptureLimits& limits, bool& killed) {
    if (!limits.deadline)
        return wait_for_child(pid, status);
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return 0;
        if (done < 0 && errno != EINTR)
            return errno;
        if (std::chrono::steady_clock::now() >= *limits.deadline) {
            ::kill(pid, SIGKILL);
            killed = true;
            return wait_for_child(pid, status);
        }
        ::usleep(2000);
    }
}

void record_wait_status(int status, ProcessExit& ended) {
    if (WIFEXITED(status))
        ended.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        ended.term_signal = WTERMSIG(status);
}

bool has_nul_byte(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

// The writable argv array posix_spawnp wants, pointing into `storage`.
std::vector<char*> make_argv(std::vector<std::string>& storage) {
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

ProcessOutcome run_process(const std::string& program, const std::vector<std::string>& arguments,
                           const ProcessOptions& options, const ProcessLimits& process_limits) {
    std::vector<std::string> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back(program);
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    for (const std::string& argument : storage) {
        if (has_nul_byte(argument))
            return SpawnFailure{EINVAL};
    }
    std::vector<char*> argv = make_argv(storage);

    SpawnSetup setup;
    if (!setup.ready())
        return SpawnFailure{ENOMEM};
    if (int error = reset_child_signals(setup.attributes()))
        return SpawnFailure{error};
    if (int error = posix_spawn_file_actions_addopen(setup.actions(), STDIN_FILENO, "/dev/null",
                                                     O_RDONLY, 0)) {
        return SpawnFailure{error};
    }
    Pipe out_pipe;
    Pipe err_pipe;
    if (int error = route_output(setup.actions(), STDOUT_FILENO, options.stdout_mode, out_pipe)) {
        return SpawnFailure{error};
    }
    if (int error = route_output(setup.actions(), STDERR_FILENO, options.stderr_mode, err_pipe)) {
        return SpawnFailure{error};
    }

    // glibc's posix_spawnp reports a failed exec (missing program, EACCES)
    // as its return value, so no separate error pipe is needed.
    pid_t pid = -1;
    if (int error = posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attributes(),
                                 argv.data(), environ)) {
        return SpawnFailure{error};
    }
    // The child holds its own copies now; ours must go, or no end of file
    // would ever arrive on the read ends.
    out_pipe.write_end.reset();
    err_pipe.write_end.reset();

    CaptureLimits limits;
    limits.max_bytes = process_limits.max_capture_bytes;
    if (process_limits.time_limit)
        limits.deadline = std::chrono::steady_clock::now() + *process_limits.time_limit;

    ProcessExit ended;
    std::array<Capture, 2> captures{Capture{std::move(out_pipe.read_end), &ended.stdout_bytes},
                                    Capture{std::move(err_pipe.read_end), &ended.stderr_bytes}};
    CaptureEnd end = CaptureEnd::Complete;
    const int read_error = read_captures(captures, limits, end);
    if (end != CaptureEnd::Complete)
        ::kill(pid, SIGKILL);
    // Closing what is left makes a child still writing get EPIPE instead of
    // blocking forever, so the wait below cannot hang after a failed poll.
    for (Capture& capture : captures)
        capture.fd.reset();

    int status = 0;
    bool killed_late = false;
    if (int error = wait_with_deadline(pid, status, limits, killed_late))
        return SpawnFailure{error};
    if (read_error != 0)
        return SpawnFailure{read_error};

    record_wait_status(status, ended);
    ended.capture_overflowed = end == CaptureEnd::Overflowed;
    ended.timed_out = end == CaptureEnd::TimedOut || killed_late;
    return ended;
}

}  // namespace papyr
