// The device button reader over FIFOs that stand in for event devices. The
// test holds each FIFO open for reading and writing, so the reader can open it
// at any time, and closing it looks to the reader like a device that went
// away (a hang-up).

#include "input/device_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "input/event_record.h"
#include "input/reader_harness.h"
#include "support/temp.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;
using test::kAbsolute;
using test::kKey;
using test::make_record;

class FakeDevice {
  public:
    explicit FakeDevice(const std::filesystem::path& path) {
        EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        EXPECT_GE(fd_, 0);
    }
    ~FakeDevice() { unplug(); }
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    void send(std::span<const std::byte> bytes) const {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void send(const test::Record& record) const { send(std::span(record)); }

    // True once the reader has taken everything that was sent.
    bool wait_until_drained() const {
        const auto deadline = test::Clock::now() + test::kPatience;
        int pending = 0;
        while (::ioctl(fd_, FIONREAD, &pending) == 0 && pending > 0) {
            if (test::Clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return pending == 0;
    }

    void unplug() {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
    }

  private:
    int fd_ = -1;
};

class DeviceReaderTest : public ::testing::Test {
  protected:
    // Waits until the reader listens, unless told that it never will.
    std::unique_ptr<test::ReaderThread> start_reader(bool wait_until_listening = true) {
        auto reader = std::make_unique<test::ReaderThread>([this](const ReaderControl& control) {
            device_button_reader(prefix_, recorder_.sender(), recorder_.logger(), control);
        });
        if (wait_until_listening) {
            EXPECT_TRUE(reader->wait_until_listening());
        }
        return reader;
    }

    test::TempDir dir_;
    std::string prefix_ = (dir_ / "event").string();
    test::Recorder recorder_;
};

TEST_F(DeviceReaderTest, EndsAtOnceWhenNoDeviceOpens) {
    // Only the numbers 0 to 9 are tried.
    test::write_file(dir_ / "event10", "");
    const auto reader = start_reader(false);
    EXPECT_TRUE(reader->wait_until_finished(2s));
    EXPECT_TRUE(recorder_.actions().empty());
}

TEST_F(DeviceReaderTest, LogLinesNumberTheOpenedDevicesInOrder) {
    FakeDevice first(dir_ / "event0");
    FakeDevice fourth(dir_ / "event3");
    const auto reader = start_reader();

    fourth.send(test::concat({make_record(kKey, 305, 1), make_record(test::kSync, 0, 0)}));
    fourth.send(make_record(kKey, 305, 0));  // the release sends nothing
    ASSERT_TRUE(recorder_.wait_for_actions(1));
    first.send(make_record(kKey, 316, 1));
    ASSERT_TRUE(recorder_.wait_for_actions(2));
    ASSERT_TRUE(first.wait_until_drained());
    ASSERT_TRUE(fourth.wait_until_drained());

    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Confirm, Action::Exit}));
    EXPECT_EQ(
        recorder_.lines(),
        (std::vector<std::string>{"[Input-Device] fd: 1 EV_KEY code: 305 val: 1 -> action: Confirm",
                                  "[Input-Device] fd: 0 EV_KEY code: 316 val: 1 -> action: Exit"}));
}

TEST_F(DeviceReaderTest, EventsQueuedBeforeTheStartAreDiscarded) {
    FakeDevice device(dir_ / "event0");
    device.send(make_record(kKey, 103, 1));
    const auto reader = start_reader();

    device.send(make_record(kKey, 108, 1));
    ASSERT_TRUE(recorder_.wait_for_actions(1));
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Down}));
}

TEST_F(DeviceReaderTest, HandlesWholeRecordsOfEachReadAndDropsTheRest) {
    FakeDevice device(dir_ / "event0");
    const auto reader = start_reader();

    // One record and six bytes of another in one read: the six bytes are
    // gone, so the next read starts at a record boundary again.
    std::vector<std::byte> bytes = test::concat({make_record(kKey, 108, 2)});
    bytes.resize(30, std::byte{0x01});
    device.send(bytes);
    ASSERT_TRUE(device.wait_until_drained());
    // Too short to hold a record: skipped.
    const test::Record up = make_record(kKey, 103, 1);
    device.send(std::span(up).first(20));
    ASSERT_TRUE(device.wait_until_drained());
    device.send(test::concat({make_record(kAbsolute, 0, -20000), make_record(kAbsolute, 0, -30000),
                              make_record(kAbsolute, 5, 200)}));

    ASSERT_TRUE(recorder_.wait_for_actions(3));
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::Down, Action::Left, Action::NextCategory}));
    EXPECT_EQ(recorder_.lines().back(),
              "[Input-Device] R2 trigger pressed (val: 200) -> NextCategory");
}

TEST_F(DeviceReaderTest, ADeviceThatGoesAwayIsDroppedWithoutSpinning) {
    FakeDevice first(dir_ / "event0");
    FakeDevice second(dir_ / "event1");
    const auto reader = start_reader();

    first.unplug();
    // A device left in the poll set would end every poll at once.
    EXPECT_LT(test::cpu_time_over(*reader, 400ms), 80ms);

    // The other device is still served and keeps its place in the log.
    second.send(make_record(kKey, 311, 1));
    ASSERT_TRUE(recorder_.wait_for_actions(1));
    EXPECT_EQ(recorder_.lines(),
              (std::vector<std::string>{
                  "[Input-Device] fd: 1 EV_KEY code: 311 val: 1 -> action: NextSource"}));

    // With no device left the reader has nothing to wait for.
    second.unplug();
    EXPECT_TRUE(reader->wait_until_finished());
}

TEST_F(DeviceReaderTest, AFileThatEndsIsDroppedLikeADeviceThatWentAway) {
    const test::Record press = make_record(kKey, 305, 1);
    test::write_file(dir_ / "event0",
                     std::string(reinterpret_cast<const char*>(press.data()), press.size()));
    const auto reader = start_reader();
    // It is always readable and reads nothing more; kept, it would keep the
    // reader busy forever.
    EXPECT_TRUE(reader->wait_until_finished());
    EXPECT_TRUE(recorder_.actions().empty());
}

TEST_F(DeviceReaderTest, RecordsSentJustBeforeADeviceGoesAwayAreStillHandled) {
    FakeDevice device(dir_ / "event0");
    const auto reader = start_reader();

    device.send(test::concat({make_record(kKey, 314, 1), make_record(kKey, 315, 1)}));
    device.unplug();
    EXPECT_TRUE(reader->wait_until_finished());
    EXPECT_EQ(recorder_.actions(), (std::vector{Action::ToggleTheme, Action::HelpToggle}));
}

// The Brick's gamepad as its event device reports it, one report per read,
// each closed by a SYN_REPORT: the d-pad as hat axes that go to ±1 and back
// to 0, the analogue triggers ramping from 0 to 255 and back, face buttons
// and MENU as key press and release, and the sticks resting with a little
// noise around the centre.
using Report = std::vector<test::Record>;

Report report(std::initializer_list<test::Record> records) {
    Report out(records);
    out.push_back(make_record(test::kSync, 0, 0));
    return out;
}

std::vector<Report> brick_session() {
    constexpr std::uint16_t kHatX = 16;
    constexpr std::uint16_t kHatY = 17;
    const auto axis = [](std::uint16_t code, std::int32_t value) {
        return report({make_record(kAbsolute, code, value)});
    };
    std::vector<Report> reports = {
        report({make_record(kAbsolute, 0, 312), make_record(kAbsolute, 1, -127)}),
        axis(kHatY, 1),
        axis(kHatY, 0),  // down
        axis(kHatY, 1),
        axis(kHatY, 0),  // down
        axis(kHatX, 1),
        axis(kHatX, 0),  // right
        axis(kHatY, -1),
        axis(kHatY, 0),  // up
        // Left, and while it is held, down on the other axis.
        axis(kHatX, -1),
        axis(kHatY, 1),
        report({make_record(kAbsolute, kHatX, 0), make_record(kAbsolute, kHatY, 0)}),
        report({make_record(kAbsolute, 0, -540)}),
    };
    for (const std::uint16_t trigger : {std::uint16_t{5}, std::uint16_t{2}}) {  // R2, then L2
        for (const std::int32_t value : {0, 18, 57, 100, 143, 211, 255, 230, 160, 101, 64, 0})
            reports.push_back(axis(trigger, value));
    }
    for (const std::uint16_t button :
         {std::uint16_t{305}, std::uint16_t{304}, std::uint16_t{316}}) {  // A, B, MENU
        reports.push_back(report({make_record(kKey, button, 1)}));
        reports.push_back(report({make_record(kKey, button, 0)}));
    }
    return reports;
}

TEST_F(DeviceReaderTest, TheBricksGamepadSessionArrivesReportByReport) {
    // The gamepad is one of several event devices; the first one here (the
    // power key, say) stays silent.
    FakeDevice power_key(dir_ / "event0");
    FakeDevice gamepad(dir_ / "event3");
    const auto reader = start_reader();

    for (const Report& report : brick_session())
        gamepad.send(std::as_bytes(std::span(report)));
    const std::vector<Action> expected = {
        Action::Down,    Action::Down,   Action::Right,        Action::Up,
        Action::Left,    Action::Down,   Action::NextCategory, Action::PrevCategory,
        Action::Confirm, Action::Cancel, Action::Exit,
    };
    ASSERT_TRUE(recorder_.wait_for_actions(expected.size()));
    ASSERT_TRUE(gamepad.wait_until_drained());
    EXPECT_EQ(recorder_.actions(), expected);
    EXPECT_EQ(recorder_.lines(),
              (std::vector<std::string>{
                  "[Input-Device] R2 trigger pressed (val: 143) -> NextCategory",
                  "[Input-Device] L2 trigger pressed (val: 143) -> PrevCategory",
                  "[Input-Device] fd: 1 EV_KEY code: 305 val: 1 -> action: Confirm",
                  "[Input-Device] fd: 1 EV_KEY code: 304 val: 1 -> action: Cancel",
                  "[Input-Device] fd: 1 EV_KEY code: 316 val: 1 -> action: Exit",
              }));
}

}  // namespace
}  // namespace papyr
