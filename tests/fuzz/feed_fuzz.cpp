// libFuzzer target for the feed mapping. Every input is read twice: as a
// whole document, and as the title and description of one item of a sound
// RSS document, so that the markup reader meets the raw bytes too. Besides
// memory safety (the sanitizers) it checks what the reader relies on: at most
// fifty headlines, each with a title, an http(s) link without fragment or
// tracking parameter, an id that is the link's and unique, single-line valid
// UTF-8 texts, and a result that survives the JSON writer and reader; a
// document that gives nothing gives one of the known messages; and the same
// bytes always give the same result.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "base/url.h"
#include "base/utf8.h"
#include "feeds/feed_parser.h"
#include "feeds/link_cleaner.h"
#include "news_api/json.h"

namespace {

using papyr::NewsFeedItem;
using papyr::feeds::FeedContext;

const FeedContext kContext{.source_id = "tin",
                           .source_name = "Tin",
                           .category_id = "tin-moi",
                           .feed_url = "https://tin.example.vn/rss/home.rss",
                           .default_utc_offset_minutes = 420};

[[noreturn]] void fail_check(const char* what, std::string_view detail) {
    std::fprintf(stderr, "check failed: %s\n%.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

void check_line(const std::string& text, const char* field) {
    if (!papyr::is_valid_utf8(text))
        fail_check("text is not UTF-8", field);
    if (!text.empty() && (text.front() == ' ' || text.back() == ' '))
        fail_check("text has spaces at an end", text);
    if (text.find("  ") != std::string::npos)
        fail_check("text has a double space", text);
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            fail_check("text has a control character", text);
    }
}

void check_web_url(const std::string& text, const char* field) {
    const auto url = papyr::parse_url(text);
    if (!url || (url->scheme != "http" && url->scheme != "https") || !papyr::is_valid_utf8(text))
        fail_check(field, text);
}

void check_link(const std::string& link) {
    check_web_url(link, "link is no http(s) URL");
    const auto url = papyr::parse_url(link);
    if (url->has_fragment)
        fail_check("link has a fragment", link);
    std::size_t start = 0;
    while (url->has_query && start <= url->query.size()) {
        const std::size_t end = std::min(url->query.find('&', start), url->query.size());
        const std::string parameter = url->query.substr(start, end - start);
        if (papyr::feeds::is_tracking_parameter(parameter.substr(0, parameter.find('='))))
            fail_check("link keeps a tracking parameter", link);
        start = end + 1;
    }
}

void check_item(const NewsFeedItem& item) {
    if (item.title.empty())
        fail_check("headline without title", item.link);
    check_line(item.title, "title");
    check_line(item.lead, "lead");
    check_link(item.link);
    if (item.id != papyr::feeds::headline_id(item.link))
        fail_check("id is not the link's", item.link);
    if (!item.pub_date.empty() && !item.pub_date.ends_with("(GMT+7)"))
        fail_check("date not in Vietnam time", item.pub_date);
    if (item.image_url)
        check_web_url(*item.image_url, "picture is no http(s) URL");
    if (item.author) {
        if (item.author->empty())
            fail_check("empty author", item.link);
        check_line(*item.author, "author");
    }
    if (item.source_id != kContext.source_id || item.category_id != kContext.category_id)
        fail_check("catalogue entry not copied", item.link);
}

void check_mapping(std::string_view document) {
    const auto items = papyr::feeds::map_feed(document, kContext);
    const auto again = papyr::feeds::map_feed(document, kContext);
    if (items.has_value() != again.has_value() ||
        (items ? !(*items == *again) : items.error() != again.error()))
        fail_check("the same bytes gave another result", document);
    if (!items) {
        using namespace papyr::feeds;
        const std::set<std::string_view> known = {kFeedEmptyMessage, kFeedTooLargeMessage,
                                                  kFeedIsWebPageMessage, kFeedNotRssMessage,
                                                  kFeedBrokenMessage};
        if (known.count(items.error()) == 0)
            fail_check("unknown message", items.error());
        return;
    }
    if (items->size() > papyr::feeds::kMaxFeedItems)
        fail_check("more than fifty headlines", document);
    std::set<std::string> ids;
    for (const auto& item : *items) {
        check_item(item);
        if (!ids.insert(item.id).second)
            fail_check("the same article twice", item.link);
    }
    const papyr::FeedResponse response{true, *items, std::nullopt};
    const std::string json = papyr::encode_json(response, papyr::JsonLayout::Compact);
    const auto back = papyr::decode_feed_response(json);
    if (!back || !(*back == response))
        fail_check("headlines do not survive JSON", json);
}

std::string xml_escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check_mapping(bytes);
    const std::string escaped = xml_escaped(bytes);
    check_mapping("<rss version=\"2.0\"><channel><item><title>" + escaped +
                  "</title><link>https://tin.example.vn/bai/1.html</link><description>" + escaped +
                  "</description></item></channel></rss>");
    return 0;
}
