// The command pipe reader over a real FIFO in a temporary folder, written to
// the way other programs write to it.

#include "input/command_pipe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "input/reader_harness.h"
#include "support/temp.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;

// A few words of every kind rather than the whole table: one word for each
// action, single letters and words with underscores, then the ways a line
// may differ from the word.
TEST(CommandTable, MatchesWordsWhateverTheirCaseAndSurroundingWhiteSpace) {
    const std::pair<std::string, Action> cases[] = {
        {"W", Action::Up},
        {"\u017F", Action::Down},  // long s upper-cases to S
        {"A_LEFT", Action::Left},
        {"D_RIGHT", Action::Right},
        {"A", Action::Confirm},
        {"open\r\n", Action::Confirm},
        {"BACK", Action::Cancel},
        {"FONT", Action::ActionX},
        {"bookmark", Action::ActionY},
        {"PREV_SRC", Action::PrevSource},
        {"  Next_Src  ", Action::NextSource},
        {"\t r1 \n", Action::NextSource},
        {"L2", Action::PrevCategory},
        {"NEXT_CAT", Action::NextCategory},
        {"THEME", Action::ToggleTheme},
        {"START", Action::HelpToggle},
        {"Q", Action::Exit},
        {"ex\u0131t", Action::Exit},         // dotless i upper-cases to I
        {"\u00A0menu\u3000", Action::Exit},  // white space beyond ASCII
    };
    for (const auto& [line, action] : cases) {
        EXPECT_EQ(parse_command(line), action) << line;
    }
}

TEST(CommandTable, EverythingElseIsIgnored) {
    using namespace std::string_literals;
    // D: left and right have no single letter. Full-width letters stay
    // full-width when upper-cased.
    const std::vector<std::string> lines = {"",      "\n",    "   ",       "D",           "JUMP",
                                            "UP UP", "U P",   "L 1",       "\xFF",        "UP\xC3",
                                            "\0UP"s, "UP\0"s, "\xC3\x28P", "\uFF35\uFF30"};
    for (const std::string& line : lines) {
        EXPECT_EQ(parse_command(line), std::nullopt) << line;
    }
}

bool is_fifo(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Opens the pipe for writing without blocking, retrying while no reader has
// it open (the reader is pausing), and switches to blocking writes.
int open_for_writing(const std::string& path) {
    const auto deadline = test::Clock::now() + test::kPatience;
    for (;;) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, 0);
            return fd;
        }
        if (errno != ENXIO || test::Clock::now() > deadline) {
            ADD_FAILURE() << "cannot open the pipe for writing: " << std::strerror(errno);
            return -1;
        }
        std::this_thread::sleep_for(2ms);
    }
}

void write_all(int fd, std::string_view bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// One writer: open, write, close.
void send_commands(const std::string& path, std::string_view bytes) {
    const int fd = open_for_writing(path);
    ASSERT_GE(fd, 0);
    write_all(fd, bytes);
    ::close(fd);
}

class CommandPipeTest : public ::testing::Test {
  protected:
    std::unique_ptr<test::ReaderThread> start_reader() {
        auto reader = std::make_unique<test::ReaderThread>(
            [this](const ReaderControl& control) {
                command_pipe_reader(path_, recorder_.sender(), control);
            },
            // A reader blocked in its open waits for a writer; an opening
            // that writes nothing lets it see the stop request.
            [this] {
                if (!is_fifo(path_))
                    return;
                const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
            });
        EXPECT_TRUE(reader->wait_until_listening());
        return reader;
    }

    test::TempDir dir_;
    std::string path_ = (dir_ / "papyr_cmd").string();
    test::Recorder recorder_;
};

TEST_F(CommandPipeTest, CreatesTheFifoForEveryone) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const auto reader = start_reader();
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST_F(CommandPipeTest, ALastLineWithoutLineFeedCountsWhenTheWriterCloses) {
    const auto reader = start_reader();
    const int fd = open_for_writing(path_);
    ASSERT_GE(fd, 0);
    write_all(fd, "B\nX");
    ASSERT_TRUE(recorder_.wait_for_actions(1));
    // The line is still open while the writer is.
    EXPECT_FALSE(recorder_.wait_for_actions(2, 100ms));
    ::close(fd);
    ASSERT_TRUE(recorder_.wait_for_actions(2));
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Cancel, Action::ActionX}));
}

TEST_F(CommandPipeTest, UnknownAndUndecodableLinesAreDroppedAndReadingGoesOn) {
    const auto reader = start_reader();
    send_commands(path_, "JUMP\n\xFF\xFE up\n\nLEFT\n\xC3\nA\n");
    ASSERT_TRUE(recorder_.wait_for_actions(2));
    // A third action, if any, would have come with the same write.
    EXPECT_FALSE(recorder_.wait_for_actions(3, 100ms));
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Left, Action::Confirm}));
}

TEST_F(CommandPipeTest, LongWritesAreSplitIntoLinesAcrossReads) {
    const auto reader = start_reader();
    // More than the read buffer holds, with lines that straddle its end.
    std::string bytes;
    for (int i = 0; i < 3000; ++i)
        bytes += i % 2 == 0 ? "R1\n" : "help\n";
    send_commands(path_, bytes);
    ASSERT_TRUE(recorder_.wait_for_actions(3000));
    const std::vector<Action> actions = recorder_.actions();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        ASSERT_EQ(actions[i], i % 2 == 0 ? Action::NextSource : Action::HelpToggle) << i;
    }
}

// True once no reader has the pipe open: the reader has seen every writer
// close and is pausing.
bool wait_until_reader_pauses(const std::string& path) {
    const auto deadline = test::Clock::now() + test::kPatience;
    while (test::Clock::now() < deadline) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno == ENXIO;
        ::close(fd);
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

TEST_F(CommandPipeTest, AWriterThatOpensDuringThePauseWaitsAndLosesNothing) {
    const auto reader = start_reader();
    const int first = open_for_writing(path_);
    ASSERT_GE(first, 0);
    write_all(first, "UP\n");
    const auto first_closing = test::Clock::now();
    ::close(first);
    ASSERT_TRUE(wait_until_reader_pauses(path_));

    const int second = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    const auto second_opened = test::Clock::now();
    ASSERT_GE(second, 0);
    write_all(second, "DOWN\n");
    ::close(second);

    ASSERT_TRUE(recorder_.wait_for_actions(2));
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Up, Action::Down}));
    EXPECT_GE(second_opened - first_closing, 200ms);
}

TEST_F(CommandPipeTest, ARegularFileAtThePathIsReplacedByTheFifo) {
    test::write_file(path_, "UP\n");
    const auto reader = start_reader();
    EXPECT_TRUE(is_fifo(path_));
    send_commands(path_, "DOWN\n");
    ASSERT_TRUE(recorder_.wait_for_actions(1));
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Down}));
}

TEST_F(CommandPipeTest, AFileThatCannotBeDeletedIsReadAgainOnEveryPass) {
    // A descriptor's entry under /proc cannot be deleted or replaced, even by
    // root, but opens the file it stands for.
    const std::filesystem::path file = dir_ / "commands";
    test::write_file(file, "theme\nQ");
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    path_ = "/proc/self/fd/" + std::to_string(fd);

    {
        const auto reader = start_reader();
        ASSERT_TRUE(recorder_.wait_for_actions(4));
    }
    ::close(fd);
    const std::vector<Action> actions = recorder_.actions();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i], i % 2 == 0 ? Action::ToggleTheme : Action::Exit) << i;
    }
    const auto times = recorder_.arrival_times();
    EXPECT_GE(times[2] - times[1], 200ms);
}

TEST_F(CommandPipeTest, ADirectoryAtThePathDoesNotMakeTheReaderSpin) {
    std::filesystem::create_directory(path_);
    const auto reader = start_reader();
    // The directory opens but every read fails; without a back-off the
    // reader would use the whole time.
    EXPECT_LT(test::cpu_time_over(*reader, 600ms), 100ms);
    EXPECT_TRUE(recorder_.actions().empty());
}

}  // namespace
}  // namespace papyr
