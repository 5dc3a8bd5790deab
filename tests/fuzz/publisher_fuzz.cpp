// libFuzzer target for what the news service reads from publishers: curl's
// output (header blocks, then the body) and the feed document in the body.
// Besides memory safety (checked by the sanitizers) it checks the bounds the
// service relies on: at most kMaxFeedItems headlines, each with the
// catalogue entry's ids, and a body that is a part of the input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "news_server/feed_parser.h"
#include "news_server/publisher_fetch.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "publisher fuzz: %s\n", what);
        std::abort();
    }
}

const papyr::news_server::FeedContext kContext{.source_id = "dantri",
                                               .source_name = "Dân Trí",
                                               .category_id = "xa-hoi",
                                               .feed_url = "https://dantri.com.vn/rss/xa-hoi.rss",
                                               .default_utc_offset_minutes = 420};

void read_feed(std::string_view document) {
    const auto items = papyr::news_server::map_feed(document, kContext);
    if (!items) {
        check(!items.error().empty(), "a failed feed has no message");
        return;
    }
    check(items->size() <= papyr::news_server::kMaxFeedItems, "more headlines than the limit");
    for (const papyr::NewsFeedItem& item : *items) {
        check(item.source_id == kContext.source_id && item.category_id == kContext.category_id,
              "a headline without its catalogue entry");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);  // NOLINT: bytes
    if (const auto answer = papyr::news_server::parse_curl_output(input)) {
        check(answer->body.size() <= input.size() &&
                  input.substr(input.size() - answer->body.size()) == answer->body,
              "the body is not the end of curl's output");
        check(answer->status >= 0 && answer->status <= 999, "a status of more than three digits");
        read_feed(answer->body);
    }
    read_feed(input);
    return 0;
}
