#include "main/update_tasks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "main/fakes.h"
#include "support/fake_programs.h"
#include "support/temp.h"

// The update tasks with stand-in curl, unzip and chmod programs: which
// messages reach the frame loop, in which order, and how many installs may
// run at once.

namespace papyr {
namespace {

using test::drain;
using test::FakeProgramDir;
using test::wait_for_messages;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const LogFn kQuiet = [](std::string_view) {};
const InstallRequest kRequest{"https://updates.invalid/p.zip", std::nullopt};
const char kDownloadWorks[] = "printf 'PK' > \"${10}\"";

TEST(UpdateCheckTask, SendsTheManifestOnlyForANewerRelease) {
    const struct {
        const char* curl;
        std::vector<std::string> sent;
    } cases[] = {
        {R"(printf '{"version":"1.2","name":"","changelog":"","download_url":"u"}')",
         {"UpdateAvailable: 1.2"}},
        {R"(printf '{"version":"1.0.0","name":"","changelog":"","download_url":"u"}')", {}},
        {"printf '<html></html>'", {}},
        {"exit 7", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.curl);
        FakeProgramDir fakes;
        fakes.add_script("curl", c.curl);
        auto [sender, receiver] = make_channel<WorkerMessage>();

        update_check_task(sender, kQuiet,
                          {"https://updates.invalid/ota/papyr.json", FALLBACK_MANIFEST_URL});

        EXPECT_EQ(drain(receiver), c.sent);
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

    test::TempDir root_;
    FakeProgramDir fakes_;
    InstallPaths paths_;
    InstallSlot slot_;
    std::pair<Sender<WorkerMessage>, Receiver<WorkerMessage>> channel_ =
        make_channel<WorkerMessage>();
};

TEST_F(UpdateInstallTask, ASuccessfulInstallSendsNothingMoreAndKeepsTheSlot) {
    fakes_.add_script("curl", kDownloadWorks);
    ASSERT_TRUE(slot_.try_claim());

    EXPECT_TRUE(update_install_task(channel_.first, kRequest, kQuiet, paths_, slot_));

    EXPECT_THAT(drain(channel_.second), ElementsAre("UpdateInstalling"));
    EXPECT_FALSE(slot_.try_claim()) << "nothing may start while the program restarts";
}

TEST_F(UpdateInstallTask, OneInstallAtATimeAndAFailureFreesTheSlot) {
    // The first download waits until the test lets it fail.
    const std::string gate = (root_ / "gate").string();
    fakes_.add_recording_script("curl",
                                "while [ ! -e '" + gate + "' ]; do sleep 0.01; done\nexit 7");
    auto& [sender, receiver] = channel_;

    ASSERT_TRUE(start_update_install(sender, kRequest, slot_, paths_));
    EXPECT_THAT(wait_for_messages(receiver, 1), ElementsAre("UpdateInstalling"));
    EXPECT_FALSE(start_update_install(sender, kRequest, slot_, paths_));

    test::write_file(gate, "");
    EXPECT_THAT(wait_for_messages(receiver, 1),
                ElementsAre("UpdateFailed: Failed to download update package"));
    EXPECT_THAT(drain(receiver), IsEmpty());

    // The slot is back as soon as the failure can be seen.
    ASSERT_TRUE(start_update_install(sender, kRequest, slot_, paths_));
    EXPECT_EQ(wait_for_messages(receiver, 2).size(), 2U);
    EXPECT_EQ(fakes_.recorded_calls("curl").size(), 2U);
}

TEST_F(UpdateInstallTask, ASuccessfulInstallEndsTheProcessWithStatus42) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fakes_.add_script("curl", kDownloadWorks);

    EXPECT_EXIT(
        {
            if (start_update_install(channel_.first, kRequest, slot_, paths_))
                std::this_thread::sleep_for(std::chrono::seconds(30));
            std::exit(1);
        },
        ::testing::ExitedWithCode(42), "Update successfully applied! Restarting Papyr");
}

}  // namespace
}  // namespace papyr
