#include "news_api/bookmarks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

#include "support/temp.h"

// The saved list in bookmarks.json and the choice of the cache folder, with
// both candidate folders inside a temporary folder.

namespace papyr {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

NewsFeedItem entry(std::string id, std::string link) {
    NewsFeedItem item;
    item.id = std::move(id);
    item.title = "Tiêu đề " + item.id;
    item.link = std::move(link);
    return item;
}

std::vector<std::string> links_of(const std::vector<NewsFeedItem>& items) {
    std::vector<std::string> links;
    for (const NewsFeedItem& item : items)
        links.push_back(item.link);
    return links;
}

// Names in the folder other than the given ones: leftovers of a write.
std::vector<std::string> other_files(const fs::path& folder, const std::string& expected) {
    std::vector<std::string> names;
    for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
        if (file.path().filename() != expected)
            names.push_back(file.path().filename().string());
    }
    return names;
}

class BookmarksTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    CacheLocations locations_{(dir_ / "card/Apps/papyr/cache").string(),
                              (dir_ / "work/cache").string()};
    fs::path card_file_ = fs::path(locations_.sd_card) / "bookmarks.json";
};

TEST_F(BookmarksTest, CacheDirPrefersTheCardFolderCreatingItWithItsParents) {
    EXPECT_EQ(cache_dir(locations_), fs::path(locations_.sd_card));
    EXPECT_TRUE(fs::is_directory(locations_.sd_card));
    EXPECT_FALSE(fs::exists(locations_.local));
}

TEST_F(BookmarksTest, CacheDirTakesAnythingAtTheCardPathWithoutLookingAtItsKind) {
    fs::create_directories(fs::path(locations_.sd_card).parent_path());
    write_file(locations_.sd_card, "not a folder");
    EXPECT_EQ(cache_dir(locations_), fs::path(locations_.sd_card));
    EXPECT_FALSE(fs::exists(locations_.local));
}

TEST_F(BookmarksTest, CacheDirFallsBackToTheLocalFolderUntilTheCardCanBeUsed) {
    // A regular file where a parent folder should be: no one, root included,
    // can create the card folder.
    write_file(dir_ / "card", "");
    EXPECT_EQ(cache_dir(locations_), fs::path(locations_.local));
    EXPECT_TRUE(fs::is_directory(locations_.local));

    // Not remembered: once the card can be used, it is.
    fs::remove(dir_ / "card");
    EXPECT_EQ(cache_dir(locations_), fs::path(locations_.sd_card));
}

TEST_F(BookmarksTest, CacheDirAnswersTheLocalFolderEvenWhenItCannotBeCreated) {
    write_file(dir_ / "card", "");
    write_file(dir_ / "work", "");
    EXPECT_EQ(cache_dir(locations_), fs::path(locations_.local));
    EXPECT_FALSE(fs::exists(locations_.local));
}

TEST_F(BookmarksTest, TogglingAddsInFrontAndRemovesByLink) {
    const NewsFeedItem a = entry("a", "https://demo.invalid/a");
    const NewsFeedItem b = entry("b", "https://demo.invalid/b");

    EXPECT_TRUE(toggle_bookmark(a, locations_));
    EXPECT_TRUE(toggle_bookmark(b, locations_));
    EXPECT_EQ(load_bookmarks(locations_), (std::vector<NewsFeedItem>{b, a}));

    // Another headline with the same link is the same saved article.
    NewsFeedItem a_again = entry("other-id", a.link);
    EXPECT_FALSE(toggle_bookmark(a_again, locations_));
    EXPECT_EQ(load_bookmarks(locations_), std::vector<NewsFeedItem>{b});
    EXPECT_FALSE(is_bookmarked(a.link, locations_));
    EXPECT_TRUE(is_bookmarked(b.link, locations_));

    EXPECT_FALSE(toggle_bookmark(b, locations_));
    EXPECT_EQ(read_file(card_file_), "[]");
}

TEST_F(BookmarksTest, TheFileHoldsEveryFieldInTheIndentedLayout) {
    NewsFeedItem a = entry("a1", "https://x/a");
    a.title = "Tiêu đề \"A\"";
    NewsFeedItem b{"b",   "B",         "Tóm tắt",   "https://x/b", "02/03/2025", "https://x/b.jpg",
                   "Lan", "vnexpress", "VnExpress", "tin-moi"};
    ASSERT_TRUE(toggle_bookmark(a, locations_));
    ASSERT_TRUE(toggle_bookmark(b, locations_));

    EXPECT_EQ(read_file(card_file_),
              "[\n"
              "  {\n"
              "    \"id\": \"b\",\n"
              "    \"title\": \"B\",\n"
              "    \"lead\": \"Tóm tắt\",\n"
              "    \"link\": \"https://x/b\",\n"
              "    \"pubDate\": \"02/03/2025\",\n"
              "    \"imageUrl\": \"https://x/b.jpg\",\n"
              "    \"author\": \"Lan\",\n"
              "    \"sourceId\": \"vnexpress\",\n"
              "    \"sourceName\": \"VnExpress\",\n"
              "    \"categoryId\": \"tin-moi\"\n"
              "  },\n"
              "  {\n"
              "    \"id\": \"a1\",\n"
              "    \"title\": \"Tiêu đề \\\"A\\\"\",\n"
              "    \"lead\": \"\",\n"
              "    \"link\": \"https://x/a\",\n"
              "    \"pubDate\": \"\",\n"
              "    \"imageUrl\": null,\n"
              "    \"author\": null,\n"
              "    \"sourceId\": \"\",\n"
              "    \"sourceName\": \"\",\n"
              "    \"categoryId\": \"\"\n"
              "  }\n"
              "]");
}

TEST_F(BookmarksTest, AHandEditedDuplicateLosesOnlyItsFirstOccurrence) {
    fs::create_directories(locations_.sd_card);
    write_file(card_file_, R"([{"id":"1","title":"T","link":"L"},{"id":"2","title":"U","link":"M"},
                               {"id":"3","title":"V","link":"L"}])");

    EXPECT_FALSE(toggle_bookmark(entry("x", "L"), locations_));

    const std::vector<NewsFeedItem> left = load_bookmarks(locations_);
    EXPECT_EQ(links_of(left), (std::vector<std::string>{"M", "L"}));
    EXPECT_EQ(left.back().id, "3");
    EXPECT_TRUE(is_bookmarked("L", locations_));
}

TEST_F(BookmarksTest, AFileThatIsNotAListOfEntriesLoadsEmptyAndStaysUntilTheNextToggle) {
    const char* unusable[] = {
        R"({"id":"1","title":"T","link":"L"})",                          // an object, not an array
        R"([{"id":"1","title":"T","link":"L"},{"id":"2","link":"M"}])",  // one bad entry
        R"([{"id":1,"title":"T","link":"L"}])",                          // a number for a text
        "[] []",                                                         // trailing text
        "[\"\xff\"]",                                                    // not UTF-8
        "",
    };
    fs::create_directories(locations_.sd_card);
    for (const char* content : unusable) {
        write_file(card_file_, content);
        EXPECT_TRUE(load_bookmarks(locations_).empty()) << content;
        EXPECT_FALSE(is_bookmarked("L", locations_)) << content;
        EXPECT_EQ(read_file(card_file_), content);
    }

    write_file(card_file_, unusable[0]);
    EXPECT_TRUE(toggle_bookmark(entry("n", "N"), locations_));
    EXPECT_EQ(links_of(load_bookmarks(locations_)), std::vector<std::string>{"N"});
}

TEST_F(BookmarksTest, WithoutAnyWritableFolderTogglesKeepAnsweringSaved) {
    write_file(dir_ / "card", "");
    write_file(dir_ / "work", "");
    const NewsFeedItem a = entry("a", "A");
    EXPECT_TRUE(toggle_bookmark(a, locations_));
    EXPECT_TRUE(toggle_bookmark(a, locations_));  // nothing was stored, so it is added again
    EXPECT_TRUE(load_bookmarks(locations_).empty());
}

TEST_F(BookmarksTest, AReadOnlyFolderKeepsItsFileAndGetsNoLeftovers) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directories(locations_.sd_card);
    write_file(card_file_, R"([{"id":"1","title":"T","link":"L"}])");
    fs::permissions(locations_.sd_card, fs::perms::owner_read | fs::perms::owner_exec);

    EXPECT_TRUE(toggle_bookmark(entry("n", "N"), locations_));
    EXPECT_TRUE(toggle_bookmark(entry("n", "N"), locations_));
    EXPECT_EQ(links_of(load_bookmarks(locations_)), std::vector<std::string>{"L"});
}

// Lowers the largest file this process may write, so a write fails half-way
// (EFBIG) as it would on a full card, for root too.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previous_handler_)(int) = nullptr;
};

TEST_F(BookmarksTest, AWriteThatFailsHalfWayLeavesTheSavedListWhole) {
    ASSERT_TRUE(toggle_bookmark(entry("a", "https://demo.invalid/a"), locations_));
    const std::string saved = read_file(card_file_);
    ASSERT_GT(saved.size(), 100U);
    {
        FileSizeLimit limit(100);
        EXPECT_TRUE(toggle_bookmark(entry("b", "https://demo.invalid/b"), locations_));
    }
    EXPECT_EQ(read_file(card_file_), saved);
    EXPECT_EQ(other_files(locations_.sd_card, "bookmarks.json"), std::vector<std::string>{});

    // And a write that succeeds leaves nothing but the file either.
    EXPECT_TRUE(toggle_bookmark(entry("b", "https://demo.invalid/b"), locations_));
    EXPECT_EQ(load_bookmarks(locations_).size(), 2U);
    EXPECT_EQ(other_files(locations_.sd_card, "bookmarks.json"), std::vector<std::string>{});
}

// --- the reader's saved mark, asked on every frame ---------------------------------

class SavedMarksTest : public BookmarksTest {
  protected:
    // An hour ago, so the file is past the window in which it is read on
    // every question; the same instant for every file that gets it.
    static timespec long_ago() {
        static const timespec when{::time(nullptr) - 3600, 123456789};
        return when;
    }

    static void set_modified(const fs::path& path, timespec when) {
        const timespec times[2] = {when, when};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    // The saved list with one entry, written as the store writes it.
    void save_only(const std::string& link) {
        save_bookmarks({entry("x", link)}, locations_);
        set_modified(card_file_, long_ago());
    }

    SavedMarks marks_{locations_};
};

TEST_F(SavedMarksTest, AnUnchangedFileIsReadOnceHoweverOftenItIsAsked) {
    save_bookmarks({entry("a", "https://demo.invalid/a"), entry("b", "https://demo.invalid/b"),
                    entry("b2", "https://demo.invalid/b")},
                   locations_);
    set_modified(card_file_, long_ago());
    for (int frame = 0; frame < 10; ++frame) {
        EXPECT_TRUE(marks_.contains("https://demo.invalid/a"));
        EXPECT_TRUE(marks_.contains("https://demo.invalid/b"));
        EXPECT_FALSE(marks_.contains("https://demo.invalid/c"));
        EXPECT_FALSE(marks_.contains("https://demo.invalid"));
    }
    EXPECT_EQ(marks_.read_count(), 1u);
}

TEST_F(SavedMarksTest, AMissingFileIsLookedForButNotReadAgainUntilItAppears) {
    EXPECT_FALSE(marks_.contains("https://demo.invalid/a"));
    EXPECT_FALSE(marks_.contains("https://demo.invalid/a"));
    EXPECT_EQ(marks_.read_count(), 1u);
    save_only("https://demo.invalid/a");
    EXPECT_TRUE(marks_.contains("https://demo.invalid/a"));
    fs::remove(card_file_);
    EXPECT_FALSE(marks_.contains("https://demo.invalid/a"));
    EXPECT_EQ(marks_.read_count(), 3u);
}

TEST_F(SavedMarksTest, AFileRenamedOverTheListIsSeenEvenWithTheSameSizeAndTime) {
    save_only("https://demo.invalid/a");
    EXPECT_TRUE(marks_.contains("https://demo.invalid/a"));

    // Another writer's temporary file, renamed over the list as the store
    // does: only the inode (and the status-change time) tells them apart.
    const fs::path temporary = card_file_.string() + ".tmp";
    write_file(temporary, read_file(card_file_).replace(read_file(card_file_).find("/a"), 2, "/b"));
    set_modified(temporary, long_ago());
    ASSERT_EQ(fs::file_size(temporary), fs::file_size(card_file_));
    fs::rename(temporary, card_file_);

    EXPECT_TRUE(marks_.contains("https://demo.invalid/b"));
    EXPECT_FALSE(marks_.contains("https://demo.invalid/a"));
    EXPECT_EQ(marks_.read_count(), 2u);
}

TEST_F(SavedMarksTest, AFileRewrittenInPlaceWithAnotherSizeIsSeen) {
    save_only("https://demo.invalid/a");
    EXPECT_TRUE(marks_.contains("https://demo.invalid/a"));
    write_file(card_file_, read_file(card_file_) + "\n");  // the same list, one byte longer
    set_modified(card_file_, long_ago());
    EXPECT_TRUE(marks_.contains("https://demo.invalid/a"));
    EXPECT_EQ(marks_.read_count(), 2u);
    write_file(card_file_, R"([{"id":"n","title":"T","link":"https://demo.invalid/n"}])");
    set_modified(card_file_, long_ago());
    EXPECT_FALSE(marks_.contains("https://demo.invalid/a"));
    EXPECT_TRUE(marks_.contains("https://demo.invalid/n"));
}

TEST_F(SavedMarksTest, AFreshFileIsReadOnEveryQuestionUntilItHasAged) {
    // Within one tick of a coarse file-system clock an in-place rewrite of
    // the same size leaves every part of the stamp as it was, so a file
    // changed moments ago is not trusted to stay as read.
    save_bookmarks({entry("x", "https://demo.invalid/a")}, locations_);
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE(marks_.contains("https://demo.invalid/a"));
    EXPECT_EQ(marks_.read_count(), 3u);
    write_file(card_file_,
               read_file(card_file_).replace(read_file(card_file_).find("/a"), 2, "/b"));
    EXPECT_TRUE(marks_.contains("https://demo.invalid/b"));
    EXPECT_EQ(marks_.read_count(), 4u);

    set_modified(card_file_, long_ago());
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_TRUE(marks_.contains("https://demo.invalid/b"));
    EXPECT_EQ(marks_.read_count(), 5u);
}

TEST_F(SavedMarksTest, FollowsTheCacheFolderWhenTheCardBecomesUsable) {
    write_file(dir_ / "card", "");  // the card folder cannot be created
    const NewsFeedItem a = entry("a", "https://demo.invalid/a");
    EXPECT_TRUE(toggle_bookmark(a, locations_));  // stored in the local folder
    EXPECT_TRUE(marks_.contains(a.link));
    fs::remove(dir_ / "card");
    EXPECT_FALSE(marks_.contains(a.link));  // the card's list is empty
}

}  // namespace
}  // namespace papyr
