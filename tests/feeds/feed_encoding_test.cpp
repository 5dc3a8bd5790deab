// Feeds in the character sets publishers have used, read into the same
// UTF-8 headlines.

#include "feeds/feed_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "feeds/feed_parser.h"

namespace papyr::feeds {
namespace {

std::string feed_titled(const std::string& declaration, const std::string& title) {
    return declaration + "<rss version=\"2.0\"><channel><item><title>" + title +
           "</title><link>https://tin.example.vn/bai/1.html</link></item></channel></rss>";
}

std::string first_title(const std::string& document, const std::string& content_type_charset) {
    FeedContext context;
    context.feed_url = "https://tin.example.vn/rss";
    context.declared_charset = content_type_charset;
    const auto items = map_feed(document, context);
    EXPECT_TRUE(items) << items.error();
    return items && !items->empty() ? items->front().title : std::string("(none)");
}

TEST(FeedEncoding, LegacySetsAreReadAsTheyAreDeclared) {
    const std::string vietnamese = "Ti\xEA\xECng Vi\xEA\xF2t";  // windows-1258, tones combining
    const struct {
        std::string declaration;
        std::string title;
        std::string content_type_charset;
        std::string expected;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"windows-1258\"?>", vietnamese, "", "Tiếng Việt"},
        {"<?xml version='1.0' encoding = 'CP1258' ?>", vietnamese, "", "Tiếng Việt"},
        {"<?xml version=\"1.0\" encoding=\"koi8-r\"?>", "\xEE\xCF\xD7\xCF\xD3\xD4\xC9", "",
         "Новости"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "Caf\xE9 \x93quoted\x94", "",
         "Café “quoted”"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "Caf\xE9", "", "Café"},
        {"<?xml version=\"1.0\" encoding=\"us-ascii\"?>", "Plain", "", "Plain"},
        // The server's word outranks the document's.
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", vietnamese, "windows-1258", "Tiếng Việt"},
        // UTF-8 written with combining tones comes out composed as well.
        {"<?xml version=\"1.0\"?>", "Vie\xCC\x82\xCC\xA3t Nam", "", "Việt Nam"},
        // An unknown label is read as UTF-8.
        {"<?xml version=\"1.0\" encoding=\"x-unknown\"?>", "Tin mới", "", "Tin mới"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(first_title(feed_titled(c.declaration, c.title), c.content_type_charset),
                  c.expected)
            << c.declaration << " / " << c.content_type_charset;
}

TEST(FeedEncoding, ByteOrderMarksAndUtf16AreRecognised) {
    const std::string title = "Tiếng Việt";
    const std::string utf8 = feed_titled("<?xml version=\"1.0\"?>", title);
    EXPECT_EQ(first_title("\xEF\xBB\xBF" + utf8, "windows-1252"), title);

    std::string utf16le;
    for (const char32_t c : std::u32string(U"<?xml version=\"1.0\"?>")) {
        utf16le += static_cast<char>(c);
        utf16le += '\0';
    }
    const std::string converted = feed_in_utf8(utf16le, "");
    EXPECT_EQ(converted, "<?xml version=\"1.0\"?>");
    EXPECT_EQ(feed_in_utf8("\xFF\xFE" + utf16le, ""), "<?xml version=\"1.0\"?>");
}

}  // namespace
}  // namespace papyr::feeds
