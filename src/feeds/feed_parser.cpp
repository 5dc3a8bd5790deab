// From feed document to headlines: the document is read into format-neutral
// entries (feed_document), and each entry becomes a headline here, in the
// same steps whatever the format: link, identity, texts, date, picture.

#include "feeds/feed_parser.h"

#include <cinttypes>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "feeds/feed_document.h"
#include "feeds/feed_encoding.h"
#include "feeds/image_choice.h"
#include "feeds/item_text.h"
#include "feeds/link_cleaner.h"
#include "news_api/pub_date.h"
#include "news_api/url_hash.h"

namespace papyr::feeds {
namespace {

std::optional<std::string> first_link(const FeedEntry& entry, const FeedContext& context) {
    for (const auto& candidate : entry.links) {
        if (auto link = clean_link(candidate.url, context.feed_url, candidate.may_be_relative))
            return link;
    }
    return std::nullopt;
}

std::string first_date(const FeedEntry& entry, const FeedContext& context) {
    for (const auto& date : entry.dates) {
        std::string text = vietnam_pub_date(date, context.default_utc_offset_minutes);
        if (!text.empty())
            return text;
    }
    return {};
}

// Pictures the feed names are read relative to the feed, those inside the
// description relative to the article, as a browser showing either would.
std::optional<std::string> picture(const FeedEntry& entry, const std::vector<HtmlText>& markup,
                                   const std::string& link, const FeedContext& context) {
    std::vector<ImageCandidate> candidates;
    const auto add = [&](const ImageCandidate& candidate, std::string_view base) {
        if (auto absolute = absolute_image(candidate, base))
            candidates.push_back(original_of_thumbnail(std::move(*absolute)));
    };
    for (const auto& image : entry.images)
        add(image, context.feed_url);
    for (const auto& text : markup) {
        for (const auto& image : text.images)
            add({image.src, image.width}, link);
    }
    return choose_image(candidates);
}

std::optional<NewsFeedItem> make_item(const FeedEntry& entry, std::string link,
                                      const FeedContext& context) {
    NewsFeedItem item;
    std::vector<HtmlText> markup;
    for (const FeedText* text : {&entry.summary, &entry.content}) {
        if (!text->empty())
            markup.push_back(text->kind == TextKind::Html
                                 ? html_to_text(text->value)
                                 : HtmlText{clean_text(text->value), {}, {}});
    }
    for (const auto& text : markup) {
        item.lead = lead_text(text);
        if (!item.lead.empty())
            break;
    }
    item.title = plain_text(entry.title);
    if (item.title.empty())
        item.title = shortened(item.lead, kMaxTitleCharacters);
    if (item.title.empty())
        return std::nullopt;
    item.image_url = picture(entry, markup, link, context);
    item.author = author_names(entry.authors);
    item.pub_date = first_date(entry, context);
    item.id = headline_id(link);
    item.link = std::move(link);
    item.source_id = context.source_id;
    item.source_name = context.source_name;
    item.category_id = context.category_id;
    return item;
}

bool is_blank(std::string_view document) {
    return document.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::string headline_id(std::string_view link) {
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016" PRIx64, url_hash(link));
    return buffer;
}

Result<std::vector<NewsFeedItem>> map_feed(std::string_view bytes, const FeedContext& context) {
    if (bytes.size() > kMaxFeedBytes)
        return fail(std::string(kFeedTooLargeMessage));
    const std::string document = feed_in_utf8(bytes, context.declared_charset);
    if (is_blank(document))
        return fail(std::string(kFeedEmptyMessage));
    std::vector<NewsFeedItem> items;
    std::unordered_set<std::string> links;
    const auto scan = scan_feed(document, [&](FeedEntry&& entry) {
        auto link = first_link(entry, context);
        // The same article listed twice (BBC repeats one under several guids)
        // is shown once, where it first appears.
        if (!link || links.count(*link) != 0)
            return true;
        if (auto item = make_item(entry, *link, context)) {
            links.insert(*link);
            items.push_back(std::move(*item));
        }
        return items.size() < kMaxFeedItems;
    });
    if (!scan)
        return fail(scan.error());
    if (scan->damaged && items.empty())
        return fail(std::string(kFeedBrokenMessage));
    return items;
}

}  // namespace papyr::feeds
