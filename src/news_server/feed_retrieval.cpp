#include "news_server/feed_retrieval.h"

#include <algorithm>
#include <optional>
#include <set>

#include "feeds/feed_parser.h"
#include "news_api/pub_date.h"
#include "news_server/messages.h"

namespace papyr::news_server {
namespace {

// One feed's result.
struct Attempt {
    std::optional<std::vector<NewsFeedItem>> items;
    std::string error;
    bool timed_out = false;
    std::string detail;
};

Attempt read_one(const Publisher& publisher, const Category& category, const HttpsUrl& feed,
                 const Fetcher& fetch, SteadyTime deadline) {
    const FetchResult fetched =
        fetch(FetchRequest{feed, publisher.hosts, deadline, FetchLane::Feed});
    const std::string url = to_string(feed);
    Attempt attempt;
    if (!fetched.ok()) {
        attempt.error = messages::fetch_failed(fetched, publisher.name);
        attempt.timed_out = fetched.problem == FetchProblem::TimedOut;
        attempt.detail = url + ": " + fetched.detail;
        return attempt;
    }
    feeds::FeedContext context;
    context.source_id = publisher.id;
    context.source_name = publisher.name;
    context.category_id = category.id;
    context.feed_url = fetched.final_url.empty() ? url : fetched.final_url;
    context.default_utc_offset_minutes = publisher.utc_offset_minutes;
    context.declared_charset = fetched.charset;
    auto items = feeds::map_feed(fetched.body, context);
    if (!items) {
        attempt.error = items.error();
        attempt.detail = url + ": " + items.error();
        return attempt;
    }
    attempt.items = std::move(items).value();
    return attempt;
}

void add_detail(std::string& details, const std::string& detail) {
    if (detail.empty())
        return;
    if (!details.empty())
        details += "; ";
    details += detail;
}

FeedOutcome failed(const Attempt& first, std::string details) {
    FeedOutcome outcome;
    outcome.error = first.error;
    outcome.timed_out = first.timed_out;
    outcome.detail = std::move(details);
    return outcome;
}

FeedOutcome first_with_items(const Publisher& publisher, const Category& category,
                             const Fetcher& fetch, SteadyTime deadline) {
    std::optional<Attempt> first_failure;
    std::optional<std::vector<NewsFeedItem>> empty_feed;
    std::string details;
    for (const HttpsUrl& url : category.feeds.urls) {
        Attempt attempt = read_one(publisher, category, url, fetch, deadline);
        add_detail(details, attempt.detail);
        if (attempt.items && !attempt.items->empty())
            return FeedOutcome{true, std::move(*attempt.items), {}, false, std::move(details)};
        // An empty feed is answered only when no alternative has items: a
        // feed that went quiet is likely one that was moved.
        if (attempt.items)
            empty_feed = std::move(attempt.items);
        else if (!first_failure)
            first_failure = std::move(attempt);
    }
    if (empty_feed)
        return FeedOutcome{true, {}, {}, false, std::move(details)};
    return failed(*first_failure, std::move(details));
}

FeedOutcome merged(const Publisher& publisher, const Category& category, const Fetcher& fetch,
                   SteadyTime deadline) {
    std::vector<std::vector<NewsFeedItem>> lists;
    std::optional<Attempt> first_failure;
    std::string details;
    for (const HttpsUrl& url : category.feeds.urls) {
        Attempt attempt = read_one(publisher, category, url, fetch, deadline);
        add_detail(details, attempt.detail);
        if (attempt.items)
            lists.push_back(std::move(*attempt.items));
        else if (!first_failure)
            first_failure = std::move(attempt);
    }
    if (lists.empty())
        return failed(*first_failure, std::move(details));
    return FeedOutcome{true, merge_feed_items(lists), {}, false, std::move(details)};
}

}  // namespace

FeedOutcome retrieve_feed(const Publisher& publisher, const Category& category,
                          const Fetcher& fetch, SteadyTime deadline) {
    if (category.feeds.merge)
        return merged(publisher, category, fetch, deadline);
    return first_with_items(publisher, category, fetch, deadline);
}

std::vector<NewsFeedItem> merge_feed_items(const std::vector<std::vector<NewsFeedItem>>& lists) {
    struct Dated {
        std::optional<std::int64_t> when;
        const NewsFeedItem* item;
    };
    std::vector<Dated> all;
    std::set<std::string> links;
    for (const auto& list : lists) {
        for (const NewsFeedItem& item : list) {
            if (!links.insert(item.link).second)
                continue;
            // pubDate is already in the record form, which reads back.
            all.push_back(Dated{parse_pub_date(item.pub_date, kVietnamOffsetMinutes), &item});
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const Dated& a, const Dated& b) {
        if (a.when.has_value() != b.when.has_value())
            return a.when.has_value();
        return a.when.has_value() && *a.when > *b.when;
    });
    std::vector<NewsFeedItem> items;
    for (const Dated& dated : all) {
        if (items.size() == feeds::kMaxFeedItems)
            break;
        items.push_back(*dated.item);
    }
    return items;
}

}  // namespace papyr::news_server
