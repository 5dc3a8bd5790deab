#include "main/update_tasks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "support/fake_programs.h"
#include "support/temp.h"

// The update tasks with stand-in curl, unzip and chmod programs: which
// messages reach the frame loop, in which order, and how many installs may
// run at once.

namespace papyr {
namespace {

using test::FakeProgramDir;
using test::TempDir;

const ManifestEndpoints kEndpoints{"https://updates.invalid/ota/papyr.json",
                                   "http://127.0.0.1:4549/ota/papyr.json"};

std::vector<WorkerMessage> drain(Receiver<WorkerMessage>& receiver) {
    std::vector<WorkerMessage> messages;
    while (auto message = receiver.try_receive())
        messages.push_back(std::move(*message));
    return messages;
}

// Waits until `count` messages have arrived from other threads.
std::vector<WorkerMessage> receive(Receiver<WorkerMessage>& receiver, std::size_t count) {
    std::vector<WorkerMessage> messages;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (messages.size() < count && std::chrono::steady_clock::now() < deadline) {
        if (auto message = receiver.try_receive())
            messages.push_back(std::move(*message));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return messages;
}

const LogFn kQuiet = [](std::string_view) {};

TEST(UpdateCheckTask, SendsTheManifestOnlyForANewerRelease) {
    const struct {
        const char* name;
        const char* curl;
        const char* offered;  // the version sent, or null for no message
    } cases[] = {
        {"newer", R"(printf '{"version":"1.2","name":"","changelog":"","download_url":"u"}')",
         "1.2"},
        {"same", R"(printf '{"version":"1.0.0","name":"","changelog":"","download_url":"u"}')",
         nullptr},
        {"invalid", "printf '<html></html>'", nullptr},
        {"unreachable", "exit 7", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProgramDir fakes;
        fakes.add_script("curl", c.curl);
        auto [sender, receiver] = make_channel<WorkerMessage>();

        update_check_task(sender, kQuiet, kEndpoints);

        const std::vector<WorkerMessage> messages = drain(receiver);
        if (c.offered == nullptr) {
            EXPECT_TRUE(messages.empty());
            continue;
        }
        ASSERT_EQ(messages.size(), 1U);
        ASSERT_TRUE(std::holds_alternative<UpdateAvailable>(messages[0]));
        EXPECT_EQ(std::get<UpdateAvailable>(messages[0]).manifest.version, c.offered);
    }
}

class UpdateInstallTask : public ::testing::Test {
  protected:
    UpdateInstallTask() {
        paths_.app_dir = (root_ / "app").string();
        paths_.package = (root_ / "papyr-update.zip").string();
        std::filesystem::create_directory(paths_.app_dir);
        fakes_.add_script("unzip", ":");
        fakes_.add_script("chmod", ":");
    }

    TempDir root_;
    FakeProgramDir fakes_;
    InstallPaths paths_;
    InstallSlot slot_;
};

TEST_F(UpdateInstallTask, ReportsInstallingFirstThenTheFailure) {
    fakes_.add_script("curl", "exit 6");
    auto [sender, receiver] = make_channel<WorkerMessage>();
    ASSERT_TRUE(slot_.try_claim());

    EXPECT_FALSE(update_install_task(sender, {"https://updates.invalid/p.zip", std::nullopt},
                                     kQuiet, paths_, slot_));

    const std::vector<WorkerMessage> messages = drain(receiver);
    ASSERT_EQ(messages.size(), 2U);
    EXPECT_TRUE(std::holds_alternative<UpdateInstalling>(messages[0]));
    ASSERT_TRUE(std::holds_alternative<UpdateFailed>(messages[1]));
    EXPECT_EQ(std::get<UpdateFailed>(messages[1]).error, "Failed to download update package");
    EXPECT_TRUE(slot_.try_claim()) << "a failed install gives the slot back";
}

TEST_F(UpdateInstallTask, ASuccessfulInstallSendsNothingMoreAndKeepsTheSlot) {
    fakes_.add_script("curl", "printf 'PK' > \"${10}\"");
    auto [sender, receiver] = make_channel<WorkerMessage>();
    ASSERT_TRUE(slot_.try_claim());

    EXPECT_TRUE(update_install_task(sender, {"https://updates.invalid/p.zip", std::nullopt}, kQuiet,
                                    paths_, slot_));

    const std::vector<WorkerMessage> messages = drain(receiver);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_TRUE(std::holds_alternative<UpdateInstalling>(messages[0]));
    EXPECT_FALSE(slot_.try_claim()) << "nothing may start while the program restarts";
}

TEST_F(UpdateInstallTask, ASecondRequestWhileOneRunsStartsNothing) {
    // The first download waits until the test lets it fail.
    const std::string gate = (root_ / "gate").string();
    fakes_.add_recording_script("curl",
                                "while [ ! -e '" + gate + "' ]; do sleep 0.01; done\nexit 7");
    auto [sender, receiver] = make_channel<WorkerMessage>();
    const InstallRequest request{"https://updates.invalid/p.zip", std::nullopt};

    ASSERT_TRUE(start_update_install(sender, request, slot_, paths_));
    ASSERT_EQ(receive(receiver, 1).size(), 1U);  // UpdateInstalling: it is under way
    EXPECT_FALSE(start_update_install(sender, request, slot_, paths_));

    test::write_file(gate, "");
    const std::vector<WorkerMessage> failed = receive(receiver, 1);
    ASSERT_EQ(failed.size(), 1U);
    EXPECT_TRUE(std::holds_alternative<UpdateFailed>(failed[0]));

    // After the failure the user may try again.
    ASSERT_TRUE(start_update_install(sender, request, slot_, paths_));
    EXPECT_EQ(receive(receiver, 2).size(), 2U);
    EXPECT_EQ(fakes_.recorded_calls("curl").size(), 2U);
}

TEST_F(UpdateInstallTask, ASuccessfulInstallEndsTheProcessWithStatus42) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fakes_.add_script("curl", "printf 'PK' > \"${10}\"");
    auto [sender, receiver] = make_channel<WorkerMessage>();

    EXPECT_EXIT(
        {
            if (start_update_install(sender, {"https://updates.invalid/p.zip", std::nullopt}, slot_,
                                     paths_)) {
                std::this_thread::sleep_for(std::chrono::seconds(30));
            }
            std::exit(1);
        },
        ::testing::ExitedWithCode(42), "Update successfully applied! Restarting Papyr");
}

}  // namespace
}  // namespace papyr
