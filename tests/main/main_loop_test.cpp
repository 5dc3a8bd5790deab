#include "main/main_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/catalogue.h"
#include "main/fakes.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// Records what each frame showed and lets a test spend time or change the
// laid-out height inside the frame.
class ScriptedRenderer final : public FrameRenderer {
  public:
    explicit ScriptedRenderer(test::FakeClock& clock) : clock_(clock) {}
    void render(AppState& state) override {
        ++frames;
        selected_when_drawn.push_back(state.selected);
        if (content_height)
            state.reader_content_height = *content_height;
        if (!frame_costs.empty()) {
            clock_.advance(frame_costs.front());
            frame_costs.erase(frame_costs.begin());
        }
    }
    std::int32_t screen_height() const override { return 768; }

    int frames = 0;
    std::vector<std::size_t> selected_when_drawn;
    std::optional<std::int32_t> content_height;
    std::vector<Nanoseconds> frame_costs;

  private:
    test::FakeClock& clock_;
};

class MainLoopTest : public ::testing::Test {
  protected:
    MainLoopTest() : state(make_initial_state(build_catalogue(), clock.now() - 10s)) {}

    test::FakeClock clock;
    test::RecordingEffects effects;
    test::LogCollector log;
    ScriptedRenderer renderer{clock};
    std::pair<Sender<Action>, Receiver<Action>> actions = make_channel<Action>();
    std::pair<Sender<WorkerMessage>, Receiver<WorkerMessage>> messages =
        make_channel<WorkerMessage>();
    MainLoopIo io{actions.second, messages.second, clock, effects, log.fn(), renderer};
    AppState state;
};

TEST_F(MainLoopTest, MessagesAreAppliedBeforeTheActionsOfTheSameFrame) {
    actions.first.send(Action::Down);
    std::vector<NewsFeedItem> items(3);
    messages.first.send(FeedLoaded{items, 0, 0});
    run_frame(state, io);
    EXPECT_EQ(state.items.size(), 3U);
    EXPECT_EQ(state.selected, 1U);  // Down moved within the list that just arrived
    EXPECT_THAT(renderer.selected_when_drawn, ElementsAre(1U));
}

TEST_F(MainLoopTest, TheScrollLimitComesFromThePreviousFrame) {
    state.reader_open = true;
    state.article = ArticleDetail{};
    renderer.content_height = 3000;
    actions.first.send(Action::Right);
    run_frame(state, io);
    EXPECT_EQ(state.reader_scroll, 372);  // limit of the start height 1000 on 768 rows
    actions.first.send(Action::Right);
    actions.first.send(Action::Right);
    actions.first.send(Action::Right);
    actions.first.send(Action::Right);
    actions.first.send(Action::Right);
    run_frame(state, io);
    EXPECT_EQ(state.reader_scroll, 3000 - 768 + 140);
}

TEST_F(MainLoopTest, FramesArePacedToSixteenMilliseconds) {
    renderer.frame_costs = {5ms, 20ms, -1s};  // the last frame sees the clock go backwards
    state.start_time = clock.now() - 10s;
    actions.first.send(Action::HelpToggle);
    // Exit arrives in the third frame through the script below.
    int frames_before_exit = 2;
    struct ExitAfter final : FrameRenderer {
        ScriptedRenderer& inner;
        Sender<Action>& actions;
        int& countdown;
        ExitAfter(ScriptedRenderer& r, Sender<Action>& a, int& c)
            : inner(r), actions(a), countdown(c) {}
        void render(AppState& s) override {
            inner.render(s);
            if (--countdown == 0) {
                actions.send(Action::HelpToggle);  // closes the panel so Exit is taken
                actions.send(Action::Exit);
            }
        }
        std::int32_t screen_height() const override { return inner.screen_height(); }
    } exit_after(renderer, actions.first, frames_before_exit);
    MainLoopIo paced{actions.second, messages.second, clock, effects, log.fn(), exit_after};

    run_main_loop(state, paced);
    EXPECT_EQ(renderer.frames, 3);
    EXPECT_THAT(clock.sleeps, ElementsAre(11ms, 16ms));
}

TEST_F(MainLoopTest, TheExitFrameIsFinishedAndDrawn) {
    actions.first.send(Action::Exit);
    actions.first.send(Action::ToggleTheme);
    run_main_loop(state, io);
    EXPECT_FALSE(state.running);
    EXPECT_EQ(state.theme_index, 1U);  // the action after Exit was still handled
    EXPECT_EQ(renderer.frames, 1);
    EXPECT_THAT(log.lines, ElementsAre("[Main] Received action: Exit",
                                       "[Main] MENU button pressed. Exiting cleanly to MainUI.",
                                       "[Main] Received action: ToggleTheme"));
}

TEST_F(MainLoopTest, ANoticeExpiresOnTheFirstFrameAfterThreeSeconds) {
    state.notice = Notice{"x", clock.now()};
    clock.advance(3s);
    run_frame(state, io);
    EXPECT_TRUE(state.notice);
    clock.advance(1ns);
    run_frame(state, io);
    EXPECT_FALSE(state.notice);
}

TEST(Channel, KeepsOrderAndDropsSendsAfterTheReceiverIsGone) {
    auto [tx, rx] = make_channel<int>();
    Sender<int> second = tx;
    tx.send(1);
    second.send(2);
    tx.send(3);
    EXPECT_EQ(rx.try_receive(), 1);
    EXPECT_EQ(rx.try_receive(), 2);
    EXPECT_EQ(rx.try_receive(), 3);
    EXPECT_EQ(rx.try_receive(), std::nullopt);
    {
        auto [orphan_tx, orphan_rx] = make_channel<std::string>();
        Sender<std::string> keep = orphan_tx;
        { Receiver<std::string> gone = std::move(orphan_rx); }
        keep.send("dropped");  // must neither block nor crash
    }
}

}  // namespace
}  // namespace papyr
