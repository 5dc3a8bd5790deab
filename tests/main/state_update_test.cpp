#include "main/state_update.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "main/catalogue.h"
#include "main/fakes.h"

namespace papyr {
namespace {

using namespace std::chrono_literals;
using test::FeedRequest;
using ::testing::ElementsAre;

NewsFeedItem item(int n) {
    NewsFeedItem it;
    it.id = "id" + std::to_string(n);
    it.title = "Title " + std::to_string(n);
    it.link = "https://example.invalid/" + std::to_string(n);
    return it;
}

std::vector<NewsFeedItem> items(int count) {
    std::vector<NewsFeedItem> list;
    for (int i = 0; i < count; ++i)
        list.push_back(item(i));
    return list;
}

ArticleDetail article() {
    ArticleDetail a;
    a.url = "https://example.invalid/a";
    a.source = "VnExpress";
    a.title = "Tiêu đề";
    a.lead = "Tóm tắt";
    a.author = "Tác giả";
    return a;
}

class StateUpdate : public ::testing::Test {
  protected:
    StateUpdate() : state(make_initial_state(build_catalogue(), clock.now())) {
        clock.advance(5s);  // past both startup guards unless a test says otherwise
    }

    void act(Action action, std::int32_t max_scroll = 0) {
        ActionContext context{clock, effects, log_fn, max_scroll};
        handle_action(state, action, context);
    }
    void receive(WorkerMessage message) { handle_message(state, std::move(message), clock.now()); }
    std::string notice() const { return state.notice ? state.notice->text : "<none>"; }

    test::FakeClock clock;
    test::RecordingEffects effects;
    test::LogCollector log;
    LogFn log_fn = log.fn();
    AppState state;
};

TEST_F(StateUpdate, StartsWithTheDocumentedValues) {
    const AppState fresh = make_initial_state(build_catalogue(), clock.now());
    EXPECT_EQ(fresh.sources.size(), 7U);
    EXPECT_EQ(fresh.font_scale_index, 1U);
    EXPECT_EQ(fresh.reader_content_height, 1000);
    EXPECT_TRUE(fresh.running);
    EXPECT_FALSE(fresh.reader_open || fresh.help_visible || fresh.article || fresh.update ||
                 fresh.notice);
    EXPECT_EQ(fresh.current_source().id, "vnexpress");
    EXPECT_EQ(fresh.current_category().id, "tin-moi");
}

TEST_F(StateUpdate, CancelAndExitAreDroppedDuringTheFirstSecond) {
    state.start_time = clock.now() - 500ms;
    act(Action::Exit);
    state.reader_open = true;
    state.article = article();
    act(Action::Cancel);
    EXPECT_THAT(log.lines, ElementsAre("[Main] Ignoring startup key Exit (500ms elapsed)",
                                       "[Main] Ignoring startup key Cancel (500ms elapsed)"));
    EXPECT_TRUE(state.reader_open);
    EXPECT_TRUE(state.running);

    // Other actions are taken at once.
    act(Action::ToggleTheme);
    EXPECT_EQ(log.lines.back(), "[Main] Received action: ToggleTheme");
}

TEST_F(StateUpdate, ExitWaitsForTheGracePeriod) {
    state.start_time = clock.now() - 2000ms;
    act(Action::Exit);
    EXPECT_THAT(log.lines,
                ElementsAre("[Main] Received action: Exit",
                            "[Main] Ignoring Exit during startup grace period (2000ms elapsed)"));
    EXPECT_TRUE(state.running);

    log.lines.clear();
    state.start_time = clock.now() - 3000ms;
    act(Action::Exit);
    EXPECT_THAT(log.lines, ElementsAre("[Main] Received action: Exit",
                                       "[Main] MENU button pressed. Exiting cleanly to MainUI."));
    EXPECT_FALSE(state.running);
}

TEST_F(StateUpdate, AClockBeforeTheStartCountsAsNoTimeElapsed) {
    state.start_time = clock.now() + 10s;
    act(Action::Exit);
    EXPECT_THAT(log.lines, ElementsAre("[Main] Ignoring startup key Exit (0ms elapsed)"));
    EXPECT_TRUE(state.running);
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
}

TEST_F(StateUpdate, YInTheHelpPanelStartsAnOfferedUpdate) {
    state.update =
        OtaManifest{"1.2.0", "Papyr", "notes", "https://example.invalid/p.zip", 3.5F, {}};
    state.help_visible = true;
    act(Action::ActionY);
    EXPECT_FALSE(state.help_visible);
    EXPECT_EQ(notice(), "Đang tải bản cập nhật OTA...");
    EXPECT_THAT(effects.installs, ElementsAre("https://example.invalid/p.zip"));
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
    state.items = items(8);
    for (int i = 0; i < 4; ++i)
        act(Action::Down);
    EXPECT_EQ(state.selected, 4U);
    EXPECT_EQ(state.scroll_top, 0U);
    act(Action::Down);
    EXPECT_EQ(state.selected, 5U);
    EXPECT_EQ(state.scroll_top, 1U);
    act(Action::Down);
    act(Action::Down);
    act(Action::Down);  // the last entry: no wrap
    EXPECT_EQ(state.selected, 7U);
    EXPECT_EQ(state.scroll_top, 3U);

    for (int i = 0; i < 4; ++i)
        act(Action::Up);
    EXPECT_EQ(state.selected, 3U);
    EXPECT_EQ(state.scroll_top, 3U);
    act(Action::Up);  // above the first drawn entry: the window follows
    EXPECT_EQ(state.selected, 2U);
    EXPECT_EQ(state.scroll_top, 2U);
    for (int i = 0; i < 5; ++i)
        act(Action::Up);
    EXPECT_EQ(state.selected, 0U);
    EXPECT_EQ(state.scroll_top, 0U);
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
    state.items = items(3);
    state.selected = 2;
    act(Action::NextCategory);
    EXPECT_TRUE(state.items.empty());
    EXPECT_EQ(state.selected, 0U);
    EXPECT_EQ(notice(), "Chuyên mục: VnExpress > Thời Sự");
    act(Action::Left);
    act(Action::Left);  // wraps to the last category
    EXPECT_EQ(state.category_index, 4U);
    EXPECT_EQ(notice(), "Chuyên mục: VnExpress > Kinh Doanh");
    act(Action::Right);
    EXPECT_EQ(state.category_index, 0U);
    EXPECT_THAT(effects.feed_requests, ElementsAre(FeedRequest{"vnexpress", "thoi-su", 0, 1},
                                                   FeedRequest{"vnexpress", "tin-moi", 0, 0},
                                                   FeedRequest{"vnexpress", "kinh-doanh", 0, 4},
                                                   FeedRequest{"vnexpress", "tin-moi", 0, 0}));
}

TEST_F(StateUpdate, ASingleCategorySourceStillReloadsOnCategoryKeys) {
    state.source_index = 4;
    state.items = items(2);
    act(Action::NextCategory);
    EXPECT_EQ(state.category_index, 0U);
    EXPECT_TRUE(state.items.empty());
    act(Action::PrevCategory);
    EXPECT_EQ(state.category_index, 0U);
    EXPECT_EQ(notice(), "Chuyên mục: BBC Tiếng Việt > Tin Nổi Bật");
    EXPECT_EQ(effects.feed_requests.size(), 2U);
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
    state.items = items(3);
    state.selected = 1;
    act(Action::Confirm);
    EXPECT_EQ(notice(), "Đang tải nội dung bài: Title 1...");
    EXPECT_THAT(effects.article_requests, ElementsAre("https://example.invalid/1"));
    EXPECT_FALSE(state.reader_open);

    act(Action::ActionX);
    EXPECT_EQ(notice(), "Đang làm mới tin tức VnExpress...");
    EXPECT_EQ(state.items.size(), 3U);  // kept until the answer arrives
    EXPECT_EQ(effects.feed_requests.back(), (FeedRequest{"vnexpress", "tin-moi", 0, 0}));

    act(Action::ActionY);
    EXPECT_EQ(notice(), "Đã lưu bài viết để đọc offline!");
    EXPECT_EQ(effects.toggled.back(), item(1));  // the entry itself, unchanged
    act(Action::ActionY);
    EXPECT_EQ(notice(), "Đã xóa bài viết khỏi mục đã lưu.");

    act(Action::Cancel);
    EXPECT_EQ(notice(), "Nhấn phím [MENU] để thoát ứng dụng");
    EXPECT_TRUE(state.running);
}

TEST_F(StateUpdate, ReaderScrollsByLinesAndPagesWithinTheLimit) {
    state.reader_open = true;
    state.article = article();
    const std::int32_t max = reader_max_scroll(1000, 768);
    ASSERT_EQ(max, 372);
    act(Action::NextSource, max);
    EXPECT_EQ(state.reader_scroll, 372);
    act(Action::Down, max);
    EXPECT_EQ(state.reader_scroll, 372);
    act(Action::Up, max);
    EXPECT_EQ(state.reader_scroll, 332);
    act(Action::Left, max);
    EXPECT_EQ(state.reader_scroll, 0);
    act(Action::Up, max);
    EXPECT_EQ(state.reader_scroll, 0);
    for (int i = 0; i < 3; ++i)
        act(Action::Down, max);
    EXPECT_EQ(state.reader_scroll, 120);
    act(Action::PrevCategory, max);
    EXPECT_EQ(state.reader_scroll, 0);
    EXPECT_EQ(reader_max_scroll(500, 768), 0);   // short articles do not scroll
    EXPECT_TRUE(effects.feed_requests.empty());  // source keys only turn pages here
}

TEST_F(StateUpdate, ReaderKeysChangeFontSaveTheArticleAndGoBack) {
    state.reader_open = true;
    state.article = article();
    state.font_scale_index = 3;
    act(Action::ActionX);
    EXPECT_EQ(state.font_scale_index, 0U);
    EXPECT_EQ(notice(), "Cỡ chữ: 100%");

    act(Action::ActionY);
    EXPECT_EQ(notice(), "Đã lưu bài viết để đọc offline!");
    const NewsFeedItem& saved = effects.toggled.back();
    EXPECT_EQ(saved.id, "saved");
    EXPECT_EQ(saved.source_id, "saved");
    EXPECT_EQ(saved.category_id, "saved");
    EXPECT_EQ(saved.link, "https://example.invalid/a");
    EXPECT_EQ(saved.title, "Tiêu đề");
    EXPECT_EQ(saved.lead, "Tóm tắt");
    EXPECT_EQ(saved.pub_date, "");  // the article has no date
    EXPECT_EQ(saved.author, std::optional<std::string>("Tác giả"));
    EXPECT_EQ(saved.source_name, "VnExpress");
    EXPECT_FALSE(saved.image_url);

    act(Action::Cancel);
    EXPECT_FALSE(state.reader_open);
    EXPECT_TRUE(state.article);  // kept for the rest of the run
}

TEST_F(StateUpdate, FeedResultsCountOnlyForTheCurrentFeed) {
    state.items = items(2);
    state.selected = 1;
    receive(FeedLoaded{items(4), 2, 1});
    EXPECT_EQ(state.items.size(), 2U);
    EXPECT_FALSE(state.notice);

    // Switching away and back makes a late result count again.
    receive(FeedLoaded{items(4), 0, 0});
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
    receive(ArticleLoaded{article()});
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
