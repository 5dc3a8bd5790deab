#include "input/keyboard_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "input/reader_harness.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;

TEST(KeyboardTable, MapsFifteenLettersInBothCasesEnterAndEscape) {
    const std::pair<char, Action> samples[] = {
        {'w', Action::Up},           {'D', Action::Right},       {'j', Action::Confirm},
        {'K', Action::Cancel},       {'\n', Action::Confirm},    {'\x1b', Action::Cancel},
        {'o', Action::PrevCategory}, {'T', Action::ToggleTheme}, {'q', Action::Exit},
    };
    for (const auto& [byte, action] : samples) {
        EXPECT_EQ(keyboard_action(byte), action) << byte;
    }
    int mapped = 0;
    for (int byte = 0; byte < 256; ++byte) {
        if (keyboard_action(static_cast<char>(byte)))
            ++mapped;
    }
    EXPECT_EQ(mapped, 2 * 15 + 2);
    EXPECT_EQ(keyboard_action('\r'), std::nullopt);
}

struct Pipe {
    int read_end = -1;
    int write_end = -1;

    Pipe() {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        read_end = fds[0];
        write_end = fds[1];
    }
    ~Pipe() {
        close_read();
        close_write();
    }
    void write(std::string_view bytes) const {
        ASSERT_EQ(::write(write_end, bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    void close_read() {
        if (read_end >= 0)
            ::close(std::exchange(read_end, -1));
    }
    void close_write() {
        if (write_end >= 0)
            ::close(std::exchange(write_end, -1));
    }
};

std::vector<Action> run_to_end(const Pipe& pipe) {
    std::vector<Action> sent;
    keyboard_reader(pipe.read_end, [&](Action action) { sent.push_back(action); });
    return sent;
}

TEST(KeyboardReader, ALineFromTheTerminalSendsItsKeysThenConfirm) {
    Pipe pipe;
    pipe.write("s\n");
    pipe.close_write();
    EXPECT_EQ(run_to_end(pipe), (std::vector{Action::Down, Action::Confirm}));
}

TEST(KeyboardReader, SkipsUnmappedBytesAndEndsAtEndOfInput) {
    Pipe pipe;
    pipe.write("Hello, W\x1b\r\xC3\xA1q");
    pipe.close_write();
    EXPECT_EQ(run_to_end(pipe), (std::vector{Action::HelpToggle, Action::PrevCategory, Action::Up,
                                             Action::Cancel, Action::Exit}));
}

TEST(KeyboardReader, EmptyOrClosedInputEndsAtOnce) {
    Pipe pipe;
    pipe.close_write();
    EXPECT_TRUE(run_to_end(pipe).empty());

    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(null, 0);
    bool sent = false;
    keyboard_reader(null, [&](Action) { sent = true; });
    ::close(null);
    EXPECT_FALSE(sent);

    // A descriptor that is not open fails its read: the reader ends too.
    keyboard_reader(-1, [&](Action) { sent = true; });
    EXPECT_FALSE(sent);
}

void ignore_signal(int) {}

TEST(KeyboardReader, AnInterruptedReadIsRetried) {
    // A handler without SA_RESTART makes a blocked read fail with EINTR.
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = ignore_signal;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

    Pipe pipe;
    test::Recorder recorder;
    std::thread reader([&] { keyboard_reader(pipe.read_end, recorder.sender()); });
    // The reader is blocked in its read for most of this time, so some of the
    // signals interrupt it.
    for (int i = 0; i < 20; ++i) {
        pthread_kill(reader.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(5ms);
    }
    pipe.write("w");
    EXPECT_TRUE(recorder.wait_for_actions(1));
    pipe.close_write();
    reader.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(recorder.actions(), (std::vector{Action::Up}));
}

}  // namespace
}  // namespace papyr
