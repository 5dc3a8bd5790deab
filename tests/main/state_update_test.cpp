#include "main/state_update.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/fakes.h"
#include "main/screen_content.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;
using test::FeedRequest;
using ::testing::ElementsAre;

class StateUpdate : public ::testing::Test {
  protected:
    StateUpdate() { state.start_time = clock.now() - 5s; }  // past both startup guards

    void act(Action action, std::int32_t max_scroll = 0) {
        ActionContext context{clock, effects, log_fn, max_scroll};
        handle_action(state, action, context);
    }
    void press(Action action, int times) {
        for (int i = 0; i < times; ++i)
            act(action);
    }
    void receive(WorkerMessage message) { handle_message(state, std::move(message), clock.now()); }
    std::string notice() const { return state.notice ? state.notice->text : "<none>"; }
    void open_reader() {
        state.reader_open = true;
        state.article = test::sample_article();
    }

    test::FakeClock clock;
    test::RecordingEffects effects;
    test::LogCollector log;
    LogFn log_fn = log.fn();
    AppState state = test::fresh_state();
};

TEST_F(StateUpdate, CancelAndExitWaitForTheirStartupGuards) {
    const struct {
        std::chrono::milliseconds since_start;
        Action action;
        std::vector<std::string> log;
        bool running;
        bool reader_open;
    } cases[] = {
        {500ms, Action::Exit, {"[Main] Ignoring startup key Exit (500ms elapsed)"}, true, true},
        {999ms, Action::Cancel, {"[Main] Ignoring startup key Cancel (999ms elapsed)"}, true, true},
        // A clock before the start counts as no time elapsed.
        {-10s, Action::Exit, {"[Main] Ignoring startup key Exit (0ms elapsed)"}, true, true},
        {500ms, Action::ToggleTheme, {"[Main] Received action: ToggleTheme"}, true, true},
        {1000ms, Action::Cancel, {"[Main] Received action: Cancel"}, true, false},
        {2999ms,
         Action::Exit,
         {"[Main] Received action: Exit",
          "[Main] Ignoring Exit during startup grace period (2999ms elapsed)"},
         true,
         true},
        {3000ms,
         Action::Exit,
         {"[Main] Received action: Exit", "[Main] MENU button pressed. Exiting cleanly to MainUI."},
         false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log.back());
        state = test::fresh_state();
        open_reader();
        state.start_time = clock.now() - c.since_start;
        log.lines.clear();
        act(c.action);
        EXPECT_EQ(log.lines, c.log);
        EXPECT_EQ(state.running, c.running);
        EXPECT_EQ(state.reader_open, c.reader_open);
    }
}

TEST_F(StateUpdate, HelpPanelSwallowsEverythingButItsOwnKeys) {
    state.help_visible = true;
    for (Action a : {Action::Exit, Action::ToggleTheme, Action::ActionY, Action::Down,
                     Action::NextSource, Action::ActionX}) {
        act(a);
    }
    EXPECT_TRUE(state.help_visible);
    EXPECT_TRUE(state.running);
    EXPECT_EQ(state.theme_index, 0U);
    EXPECT_EQ(state.source_index, 0U);
    EXPECT_TRUE(effects.feed_requests.empty());
    EXPECT_TRUE(effects.installs.empty());
    EXPECT_FALSE(state.notice);

    for (Action closer : {Action::Confirm, Action::Cancel, Action::HelpToggle}) {
        state.help_visible = true;
        act(closer);
        EXPECT_FALSE(state.help_visible) << action_name(closer);
    }

    // With an update offered, Y starts it.
    state.update = test::sample_update();
    state.help_visible = true;
    act(Action::ActionY);
    EXPECT_FALSE(state.help_visible);
    EXPECT_EQ(notice(), "Đang tải bản cập nhật OTA...");
    EXPECT_THAT(effects.installs, ElementsAre(test::sample_update().download_url));
}

TEST_F(StateUpdate, ThemeCyclesThroughItsThreeNames) {
    std::vector<std::string> notices;
    for (int i = 0; i < 3; ++i) {
        act(Action::ToggleTheme);
        notices.push_back(notice());
    }
    EXPECT_EQ(state.theme_index, 0U);
    EXPECT_THAT(notices, ElementsAre("Đổi màu nền: Đêm Sâu OLED (Night Mode)",
                                     "Đổi màu nền: Hổ Phách Ấm Áp (Sepia)",
                                     "Đổi màu nền: Kindle Giấy Vàng (Paperwhite)"));
}

TEST_F(StateUpdate, ListSelectionMovesTheFiveEntryWindow) {
    state.items = test::headlines(8);
    using Position = std::pair<std::size_t, std::size_t>;  // selected, scroll_top
    const auto at = [this] { return Position{state.selected, state.scroll_top}; };
    press(Action::Down, 4);
    EXPECT_EQ(at(), (Position{4, 0}));
    act(Action::Down);
    EXPECT_EQ(at(), (Position{5, 1}));
    press(Action::Down, 3);  // the last entry: no wrap
    EXPECT_EQ(at(), (Position{7, 3}));
    press(Action::Up, 4);
    EXPECT_EQ(at(), (Position{3, 3}));
    act(Action::Up);  // above the first drawn entry: the window follows
    EXPECT_EQ(at(), (Position{2, 2}));
    press(Action::Up, 5);
    EXPECT_EQ(at(), (Position{0, 0}));
}

TEST_F(StateUpdate, AnEmptyListIgnoresMovementOpeningAndSaving) {
    for (Action a : {Action::Down, Action::Up, Action::Confirm, Action::ActionY})
        act(a);
    EXPECT_EQ(state.selected, 0U);
    EXPECT_TRUE(effects.article_requests.empty());
    EXPECT_TRUE(effects.toggled.empty());
    EXPECT_FALSE(state.notice);
}

TEST_F(StateUpdate, CategorySwitchEmptiesTheListAndRequestsTheFeed) {
    state.items = test::headlines(3);
    state.selected = 2;
    act(Action::NextCategory);
    EXPECT_TRUE(state.items.empty());
    EXPECT_EQ(state.selected, 0U);
    EXPECT_EQ(notice(), "Chuyên mục: VnExpress > Thời Sự");
    press(Action::Left, 2);  // wraps to the last category
    EXPECT_EQ(state.category_index, 4U);
    EXPECT_EQ(notice(), "Chuyên mục: VnExpress > Kinh Doanh");
    act(Action::Right);
    EXPECT_EQ(state.category_index, 0U);
    EXPECT_THAT(effects.feed_requests, ElementsAre(FeedRequest{"vnexpress", "thoi-su", 0, 1},
                                                   FeedRequest{"vnexpress", "tin-moi", 0, 0},
                                                   FeedRequest{"vnexpress", "kinh-doanh", 0, 4},
                                                   FeedRequest{"vnexpress", "tin-moi", 0, 0}));

    // A source of one category still reloads on the category keys.
    state.source_index = 4;
    state.items = test::headlines(2);
    act(Action::PrevCategory);
    EXPECT_EQ(state.category_index, 0U);
    EXPECT_TRUE(state.items.empty());
    EXPECT_EQ(notice(), "Chuyên mục: BBC Tiếng Việt > Tin Nổi Bật");
    EXPECT_EQ(effects.feed_requests.back(), (FeedRequest{"bbc-vn", "tin-moi", 4, 0}));
}

TEST_F(StateUpdate, SourceSwitchWrapsAndResetsTheCategory) {
    act(Action::PrevSource);
    EXPECT_EQ(state.source_index, 6U);
    EXPECT_EQ(notice(), "Nguồn báo: The Guardian (Global) > World News");
    act(Action::NextSource);
    EXPECT_EQ(state.source_index, 0U);

    state.source_index = 5;
    state.category_index = 3;
    act(Action::NextSource);
    EXPECT_EQ(state.source_index, 6U);
    EXPECT_EQ(state.category_index, 0U);
    EXPECT_EQ(effects.feed_requests.back(), (FeedRequest{"guardian", "world", 6, 0}));
}

TEST_F(StateUpdate, ListKeysOpenRefreshSaveAndHint) {
    state.items = test::headlines(3);
    state.selected = 1;
    act(Action::Confirm);
    EXPECT_EQ(notice(), "Đang tải nội dung bài: " + state.items[1].title + "...");
    EXPECT_THAT(effects.article_requests, ElementsAre(state.items[1].link));
    EXPECT_FALSE(state.reader_open);

    act(Action::ActionX);
    EXPECT_EQ(notice(), "Đang làm mới tin tức VnExpress...");
    EXPECT_EQ(state.items.size(), 3U);  // kept until the answer arrives
    EXPECT_EQ(effects.feed_requests.back(), (FeedRequest{"vnexpress", "tin-moi", 0, 0}));

    act(Action::ActionY);
    EXPECT_EQ(notice(), "Đã lưu bài viết để đọc offline!");
    EXPECT_EQ(effects.toggled.back(), state.items[1]);  // the entry itself, unchanged
    act(Action::ActionY);
    EXPECT_EQ(notice(), "Đã xóa bài viết khỏi mục đã lưu.");

    act(Action::Cancel);
    EXPECT_EQ(notice(), "Nhấn phím [MENU] để thoát ứng dụng");
    EXPECT_TRUE(state.running);
}

TEST_F(StateUpdate, ReaderScrollsByLinesAndPagesWithinTheLimit) {
    open_reader();
    const std::int32_t max = reader_max_scroll(1000, 768);
    ASSERT_EQ(max, 372);
    const struct {
        Action action;
        std::int32_t scroll;
    } steps[] = {
        {Action::NextSource, 372}, {Action::Down, 372},       {Action::Up, 332},
        {Action::Left, 0},         {Action::Up, 0},           {Action::Down, 40},
        {Action::Right, 372},      {Action::PrevCategory, 0}, {Action::NextCategory, 372},
        {Action::PrevSource, 0},
    };
    for (const auto& step : steps) {
        act(step.action, max);
        EXPECT_EQ(state.reader_scroll, step.scroll) << action_name(step.action);
    }
    EXPECT_EQ(reader_max_scroll(500, 768), 0);   // short articles do not scroll
    EXPECT_TRUE(effects.feed_requests.empty());  // source keys only turn pages here
}

TEST_F(StateUpdate, ReaderKeysChangeFontSaveTheArticleAndGoBack) {
    open_reader();
    std::vector<std::string> notices;
    for (int i = 0; i < 4; ++i) {
        act(Action::ActionX);
        notices.push_back(notice());
    }
    // From the start value, 125%, round to it again.
    EXPECT_THAT(notices,
                ElementsAre("Cỡ chữ: 150%", "Cỡ chữ: 175%", "Cỡ chữ: 100%", "Cỡ chữ: 125%"));

    state.article->pub_date.reset();
    act(Action::ActionY);
    EXPECT_EQ(notice(), "Đã lưu bài viết để đọc offline!");
    const ArticleDetail& a = *state.article;
    EXPECT_EQ(effects.toggled.back(),
              (NewsFeedItem{"saved", a.title, a.lead, a.url, "", std::nullopt, a.author, "saved",
                            a.source, "saved"}));

    act(Action::Cancel);
    EXPECT_FALSE(state.reader_open);
    EXPECT_TRUE(state.article);  // kept for the rest of the run
}

TEST_F(StateUpdate, FeedResultsCountOnlyForTheCurrentFeed) {
    state.items = test::headlines(2);
    state.selected = 1;
    receive(FeedLoaded{test::headlines(4), 2, 1});
    EXPECT_EQ(state.items.size(), 2U);
    EXPECT_FALSE(state.notice);

    // Switching away and back makes a late result count again.
    receive(FeedLoaded{test::headlines(4), 0, 0});
    EXPECT_EQ(state.items.size(), 4U);
    EXPECT_EQ(state.selected, 0U);
    EXPECT_EQ(notice(), "Đã cập nhật 4 tin tức mới");

    receive(FeedLoaded{{}, 0, 0});
    EXPECT_TRUE(state.items.empty());
    EXPECT_EQ(notice(), "Đã cập nhật 0 tin tức mới");

    receive(FeedFailed{"Lỗi máy chủ không xác định"});
    EXPECT_EQ(notice(), "Lỗi tải tin: Lỗi máy chủ không xác định");
}

TEST_F(StateUpdate, ArticleAndUpdateMessages) {
    state.help_visible = true;
    state.reader_scroll = 300;
    state.reader_content_height = 4000;
    receive(ArticleLoaded{test::sample_article()});
    EXPECT_TRUE(state.reader_open);
    EXPECT_TRUE(state.help_visible);
    EXPECT_EQ(state.reader_scroll, 0);
    EXPECT_EQ(state.reader_content_height, 1000);
    EXPECT_EQ(notice(), "Đã mở bài báo chế độ Kindle");

    receive(ArticleFailed{"Nội dung bài viết trống"});
    EXPECT_EQ(notice(), "Lỗi đọc bài: Nội dung bài viết trống");
    EXPECT_TRUE(state.article);

    receive(UpdateAvailable{OtaManifest{"1.0.1", "n", "c", "u", 0, {}}});
    EXPECT_EQ(notice(), "⬆ Có bản mới v1.0.1! Nhấn [START] để xem");
    receive(UpdateAvailable{OtaManifest{"1.0.2", "n", "c", "u2", 0, {}}});
    EXPECT_EQ(state.update->version, "1.0.2");
    receive(UpdateInstalling{});
    EXPECT_EQ(notice(), "Đang tải & cài đặt cập nhật... Vui lòng chờ");
    receive(UpdateFailed{"Failed to download update package"});
    EXPECT_EQ(notice(), "Lỗi cập nhật OTA: Failed to download update package");
    EXPECT_TRUE(state.update);
}

TEST_F(StateUpdate, NoticeLastsExactlyThreeSeconds) {
    const Instant set_at = clock.now();
    set_notice(state, "x", set_at);
    expire_notice(state, set_at + 3s);
    EXPECT_TRUE(state.notice);
    expire_notice(state, set_at - 1h);  // a clock that went backwards keeps it
    EXPECT_TRUE(state.notice);
    expire_notice(state, set_at + 3s + 1ns);
    EXPECT_FALSE(state.notice);
}

}  // namespace
}  // namespace papyr
