#include "base/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "support/fake_programs.h"
#include "support/temp.h"

extern char** environ;  // NOLINT: passed on to the plain children

namespace papyr {
namespace {

using Clock = std::chrono::steady_clock;

ProcessExit expect_exit(ProcessOutcome outcome) {
    if (const auto* failure = std::get_if<SpawnFailure>(&outcome)) {
        ADD_FAILURE() << "spawn failed: " << os_error_text(failure->errnum);
        return {};
    }
    return std::get<ProcessExit>(std::move(outcome));
}

ProcessExit run_shell(const std::string& script, const ProcessOptions& options = {},
                      const ProcessLimits& limits = {}) {
    return expect_exit(run_process("sh", {"-c", script}, options, limits));
}

std::string repeat_to_size(const std::string& unit, std::size_t size) {
    std::string text;
    while (text.size() < size)
        text += unit;
    text.resize(size);
    return text;
}

TEST(RunProcess, ReadsAMegabyteOnEachStreamWithoutDeadlock) {
    // The child fills standard error first: a reader that waited for the end
    // of standard output before touching standard error would block forever,
    // with the child stuck on a full pipe. `timeout` ends that case after 30 s
    // so the test fails instead of hanging.
    const std::size_t size = 1 << 20;
    const auto started = Clock::now();
    const ProcessExit ended = run_shell(
        "timeout 30 sh -c 'yes stderr-line | head -c 1048576 >&2; "
        "yes stdout-line-with-text | head -c 1048576; yes x | head -c 1048576 >&2'");
    const auto elapsed = Clock::now() - started;

    EXPECT_EQ(ended.exit_code, 0);
    EXPECT_LT(elapsed, std::chrono::seconds(20));
    ASSERT_EQ(ended.stdout_bytes.size(), size);
    ASSERT_EQ(ended.stderr_bytes.size(), 2 * size);
    EXPECT_EQ(ended.stdout_bytes, repeat_to_size("stdout-line-with-text\n", size));
    EXPECT_EQ(ended.stderr_bytes,
              repeat_to_size("stderr-line\n", size) + repeat_to_size("x\n", size));
}

TEST(RunProcess, ReportsTheExitStatusOrTheEndingSignal) {
    const ProcessExit zero = run_shell("exit 0");
    EXPECT_TRUE(zero.succeeded());
    EXPECT_EQ(zero.term_signal, std::nullopt);

    const ProcessExit three = run_shell("echo partial; exit 3");
    EXPECT_EQ(three.exit_code, 3);
    EXPECT_FALSE(three.succeeded());
    EXPECT_EQ(three.stdout_bytes, "partial\n");

    const ProcessExit killed = run_shell("kill -KILL $$");
    EXPECT_EQ(killed.exit_code, std::nullopt);
    EXPECT_EQ(killed.term_signal, SIGKILL);
    EXPECT_FALSE(killed.succeeded());
}

TEST(RunProcess, PassesEveryArgumentUnchangedWithoutAShell) {
    const std::vector<std::string> arguments = {
        "two words", "$(touch pwned)", "`id`",         "a;b|c&d",    "'\"quoted\"'", "*",
        "",          "line\nfeed",     "Tiếng Việt ộ", "--max-time",
    };
    std::vector<std::string> call = {"-c", "printf '%s\\0' \"$@\"", "sh"};
    call.insert(call.end(), arguments.begin(), arguments.end());
    const ProcessExit ended = expect_exit(run_process("sh", call));

    std::vector<std::string> received;
    std::size_t start = 0;
    for (std::size_t end = ended.stdout_bytes.find('\0'); end != std::string::npos;
         end = ended.stdout_bytes.find('\0', start)) {
        received.push_back(ended.stdout_bytes.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(received, arguments);
}

TEST(RunProcess, GivesTheChildDevNullAsStandardInput) {
    const ProcessExit ended = expect_exit(run_process("readlink", {"/proc/self/fd/0"}));
    EXPECT_EQ(ended.stdout_bytes, "/dev/null\n");
}

TEST(RunProcess, DiscardsOrInheritsStreamsOnRequest) {
    const ProcessExit discarded =
        run_shell("echo out; echo err >&2", {StreamMode::Discard, StreamMode::Capture});
    EXPECT_EQ(discarded.stdout_bytes, "");
    EXPECT_EQ(discarded.stderr_bytes, "err\n");

    // With standard output inherited, the child's descriptor 1 is the same
    // open file as ours; the child reports it on the captured standard error.
    std::array<char, 4096> own{};
    const ssize_t length = ::readlink("/proc/self/fd/1", own.data(), own.size());
    ASSERT_GT(length, 0);
    const ProcessExit inherited = run_shell("link=$(readlink /proc/$$/fd/1); echo \"$link\" >&2",
                                            {StreamMode::Inherit, StreamMode::Capture});
    EXPECT_EQ(inherited.stderr_bytes,
              std::string(own.data(), static_cast<std::size_t>(length)) + "\n");
}

TEST(RunProcess, ReportsAProgramThatCannotBeStarted) {
    const ProcessOutcome missing = run_process("papyr-no-such-program", {"x"});
    ASSERT_TRUE(std::holds_alternative<SpawnFailure>(missing));
    EXPECT_EQ(std::get<SpawnFailure>(missing).errnum, ENOENT);

    // Only this folder on PATH: glibc would otherwise skip the unusable file
    // and go on searching.
    test::FakeProgramDir fakes(test::FakeProgramDir::PathMode::Replace);
    fakes.add_plain_file("not-executable", "#!/bin/sh\necho ran\n");
    const ProcessOutcome denied = run_process("not-executable", {});
    ASSERT_TRUE(std::holds_alternative<SpawnFailure>(denied));
    EXPECT_EQ(std::get<SpawnFailure>(denied).errnum, EACCES);

    const ProcessOutcome nul = run_process("sh", {"-c", std::string("echo a\0b", 8)});
    ASSERT_TRUE(std::holds_alternative<SpawnFailure>(nul));
    EXPECT_EQ(std::get<SpawnFailure>(nul).errnum, EINVAL);
}

TEST(RunProcess, ChildrenOfOtherThreadsDoNotHoldOurPipesOpen) {
    // Another thread keeps starting long-lived children the plain way, which
    // inherit every descriptor that is not close-on-exec. Had one of our pipe
    // ends leaked into such a child, our read would not see end of file
    // until that child ended, seconds later.
    std::atomic<bool> done{false};
    std::vector<pid_t> sleepers;
    std::thread spawner([&] {
        char program[] = "sleep";
        char seconds[] = "5";
        char* argv[] = {program, seconds, nullptr};
        while (!done && sleepers.size() < 400) {
            pid_t pid = -1;
            if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) == 0) {
                sleepers.push_back(pid);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    Clock::duration slowest{};
    for (int i = 0; i < 60; ++i) {
        const auto started = Clock::now();
        const ProcessExit ended = expect_exit(run_process("echo", {"quick"}));
        slowest = std::max(slowest, Clock::now() - started);
        EXPECT_EQ(ended.stdout_bytes, "quick\n");
    }
    done = true;
    spawner.join();
    for (const pid_t pid : sleepers) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_GT(sleepers.size(), 10U);
    EXPECT_LT(slowest, std::chrono::seconds(3));
}

// The limits that keep a child from filling memory or running forever.
TEST(RunProcess, KillsAChildThatWritesPastTheCaptureLimit) {
    ProcessLimits limits;
    limits.max_capture_bytes = 1000;
    const auto started = Clock::now();
    // Endless output: only the kill ends it.
    const ProcessExit ended = run_shell("yes 0123456789", {}, limits);
    EXPECT_TRUE(ended.capture_overflowed);
    EXPECT_FALSE(ended.timed_out);
    EXPECT_EQ(ended.term_signal, SIGKILL);
    EXPECT_EQ(ended.stdout_bytes, repeat_to_size("0123456789\n", 1000).substr(0, 1000));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
}

TEST(RunProcess, KeepsOutputThatFitsTheLimitWhole) {
    ProcessLimits limits;
    limits.max_capture_bytes = 6;
    const ProcessExit ended = run_shell("printf 123; printf 456 >&2", {}, limits);
    EXPECT_FALSE(ended.capture_overflowed);
    EXPECT_EQ(ended.exit_code, 0);
    EXPECT_EQ(ended.stdout_bytes + ended.stderr_bytes, "123456");
}

TEST(RunProcess, KillsAChildAtTheTimeLimitWhetherOrNotItsStreamsAreOpen) {
    for (const std::string script : {"printf early; sleep 30", "exec >/dev/null 2>&1; sleep 30"}) {
        ProcessLimits limits;
        limits.time_limit = std::chrono::milliseconds(300);
        const auto started = Clock::now();
        const ProcessExit ended = run_shell(script, {}, limits);
        const auto took = Clock::now() - started;
        EXPECT_TRUE(ended.timed_out) << script;
        EXPECT_EQ(ended.term_signal, SIGKILL) << script;
        EXPECT_GE(took, std::chrono::milliseconds(300)) << script;
        EXPECT_LT(took, std::chrono::seconds(5)) << script;
    }
    ProcessLimits roomy;
    roomy.time_limit = std::chrono::seconds(20);
    const ProcessExit quick = run_shell("printf done", {}, roomy);
    EXPECT_FALSE(quick.timed_out);
    EXPECT_EQ(quick.stdout_bytes, "done");
}

TEST(OsErrorText, GivesTheCLibraryTextAndTheNumber) {
    EXPECT_EQ(os_error_text(ENOENT), "No such file or directory (os error 2)");
    EXPECT_EQ(os_error_text(EACCES), "Permission denied (os error 13)");
    EXPECT_EQ(os_error_text(9999), "Unknown error 9999 (os error 9999)");
}

}  // namespace
}  // namespace papyr
