#include "main/main_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "main/fakes.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

// Records the selection each frame showed; can set the laid-out height as
// the reader would, and act after each frame.
struct ScriptedRenderer final : FrameRenderer {
    void render(AppState& state) override {
        selected_when_drawn.push_back(state.selected);
        if (content_height)
            state.reader_content_height = *content_height;
        if (after_frame)
            after_frame(selected_when_drawn.size());
    }
    std::int32_t screen_height() const override { return 768; }

    std::vector<std::size_t> selected_when_drawn;  // one entry per frame
    std::optional<std::int32_t> content_height;
    std::function<void(std::size_t frame)> after_frame;
};

class MainLoopTest : public ::testing::Test {
  protected:
    ScriptedRenderer renderer;
    test::FrameLoop loop{renderer};
};

TEST_F(MainLoopTest, MessagesAreAppliedBeforeTheActionsOfTheSameFrame) {
    loop.actions.first.send(Action::Down);
    loop.messages.first.send(FeedLoaded{std::vector<NewsFeedItem>(3), 0, 0});
    loop.run_frame();
    EXPECT_EQ(loop.state.items.size(), 3U);
    // Down moved within the list that just arrived, before the frame was drawn.
    EXPECT_THAT(renderer.selected_when_drawn, ElementsAre(1U));
}

TEST_F(MainLoopTest, TheScrollLimitComesFromThePreviousFrame) {
    loop.state.reader_open = true;
    loop.state.article = ArticleDetail{};
    renderer.content_height = 3000;
    loop.actions.first.send(Action::Right);
    loop.run_frame();
    EXPECT_EQ(loop.state.reader_scroll, 372);  // limit of the start height 1000 on 768 rows
    for (int i = 0; i < 5; ++i)
        loop.actions.first.send(Action::Right);
    loop.run_frame();
    EXPECT_EQ(loop.state.reader_scroll, 3000 - 768 + 140);
}

TEST_F(MainLoopTest, FramesArePacedToSixteenMilliseconds) {
    // The third frame sees the clock go backwards; Exit arrives in it.
    const Nanoseconds costs[] = {5ms, 20ms, -1s};
    renderer.after_frame = [&](std::size_t frame) {
        if (frame <= std::size(costs))
            loop.clock.advance(costs[frame - 1]);
        if (frame == 2)
            loop.actions.first.send(Action::Exit);
        if (frame == 10)
            loop.state.running = false;  // ends a loop that missed the Exit
    };
    run_main_loop(loop.state, loop.io);
    EXPECT_EQ(renderer.selected_when_drawn.size(), 3U);
    EXPECT_THAT(loop.clock.sleeps, ElementsAre(11ms, 16ms));
}

TEST_F(MainLoopTest, TheExitFrameIsFinishedAndDrawn) {
    loop.actions.first.send(Action::Exit);
    loop.actions.first.send(Action::ToggleTheme);
    run_main_loop(loop.state, loop.io);
    EXPECT_FALSE(loop.state.running);
    EXPECT_EQ(loop.state.theme_index, 1U);  // the action after Exit was still handled
    EXPECT_EQ(renderer.selected_when_drawn.size(), 1U);
    EXPECT_THAT(loop.log.lines,
                ElementsAre("[Main] Received action: Exit",
                            "[Main] MENU button pressed. Exiting cleanly to MainUI.",
                            "[Main] Received action: ToggleTheme"));
}

// A window whose input of each frame is scripted: the actions it queues, and
// the frame before which the user closes it.
struct ScriptedWindow final : WindowEvents {
    ScriptedWindow(Sender<Action> sender, int closed_at)
        : actions(std::move(sender)), closed_at_pump(closed_at) {}
    bool pump() override {
        ++pumps;
        if (pumps == closed_at_pump)
            return false;
        if (pumps == 1)
            actions.send(Action::Down);
        return true;
    }
    Sender<Action> actions;
    int pumps = 0;
    int closed_at_pump = 0;
};

TEST_F(MainLoopTest, WindowInputIsTakenInTheFrameItArrivesAndClosingEndsAtOnce) {
    loop.messages.first.send(FeedLoaded{std::vector<NewsFeedItem>(3), 0, 0});
    // The state is fresh: an Exit would be held back by the grace period,
    // closing the window is not.
    loop.state = make_initial_state(build_catalogue(), loop.clock.now());
    ScriptedWindow window(loop.actions.first, 3);
    loop.io.window = &window;
    run_main_loop(loop.state, loop.io);
    EXPECT_EQ(window.pumps, 3);
    // The Down the first pump queued moved the selection before that frame
    // was drawn; no frame followed the close.
    EXPECT_THAT(renderer.selected_when_drawn, ElementsAre(1U, 1U));
    EXPECT_TRUE(loop.state.running);
    EXPECT_EQ(loop.log.lines.back(), "[Window] Window closed. Exiting.");
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
