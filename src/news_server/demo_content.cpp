#include "news_server/demo_content.h"

#include "news_api/json_value.h"
#include "news_server/demo_content_data.h"

namespace papyr::news_server {
namespace {

Result<std::string> text(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    if (value == nullptr || value->as_string() == nullptr)
        return fail("demo content: \"" + std::string(key) + "\" must be a string");
    return *value->as_string();
}

std::optional<std::string> optional_text(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    if (value == nullptr || value->as_string() == nullptr)
        return std::nullopt;
    return *value->as_string();
}

std::uint64_t whole_number(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    const json::Number* number = value == nullptr ? nullptr : value->as_number();
    if (number == nullptr)
        return 0;
    const auto* whole = std::get_if<std::uint64_t>(number);
    return whole == nullptr ? 0 : *whole;
}

Result<NewsFeedItem> read_item(const json::Value& value) {
    NewsFeedItem item;
    for (auto [field, key] :
         {std::pair{&item.id, "id"}, std::pair{&item.title, "title"}, std::pair{&item.lead, "lead"},
          std::pair{&item.link, "link"}, std::pair{&item.pub_date, "pubDate"},
          std::pair{&item.source_id, "sourceId"}, std::pair{&item.source_name, "sourceName"},
          std::pair{&item.category_id, "categoryId"}}) {
        auto got = text(value, key);
        if (!got)
            return Failure{std::move(got).error()};
        *field = std::move(got).value();
    }
    item.image_url = optional_text(value, "imageUrl");
    item.author = optional_text(value, "author");
    return item;
}

Result<ArticleDetail> read_article(const json::Value& value) {
    ArticleDetail article;
    for (auto [field, key] :
         {std::pair{&article.url, "url"}, std::pair{&article.source, "source"},
          std::pair{&article.title, "title"}, std::pair{&article.lead, "lead"}}) {
        auto got = text(value, key);
        if (!got)
            return Failure{std::move(got).error()};
        *field = std::move(got).value();
    }
    article.author = optional_text(value, "author");
    article.pub_date = optional_text(value, "pubDate");
    if (const json::Value* paragraphs = value.find("paragraphs"); paragraphs != nullptr) {
        if (const json::Array* list = paragraphs->as_array()) {
            for (const json::Value& paragraph : *list) {
                if (const std::string* line = paragraph.as_string())
                    article.paragraphs.push_back(*line);
            }
        }
    }
    article.word_count = whole_number(value, "wordCount");
    article.reading_time_minutes = whole_number(value, "readingTimeMinutes");
    return article;
}

Result<void> read_feeds(const json::Value& document, DemoContent& content) {
    const json::Value* feeds = document.find("feeds");
    const json::Array* feed_list = feeds == nullptr ? nullptr : feeds->as_array();
    if (feed_list == nullptr)
        return fail("demo content: \"feeds\" must be an array");
    for (const json::Value& feed : *feed_list) {
        auto source = text(feed, "source");
        auto category = text(feed, "category");
        const json::Value* items = feed.find("items");
        const json::Array* item_list = items == nullptr ? nullptr : items->as_array();
        if (!source || !category || item_list == nullptr)
            return fail("demo content: a feed needs \"source\", \"category\" and \"items\"");
        std::vector<NewsFeedItem>& list = content.feeds[{*source, *category}];
        for (const json::Value& value : *item_list) {
            auto item = read_item(value);
            if (!item)
                return fail(item.error());
            list.push_back(std::move(item).value());
        }
    }
    return {};
}

Result<void> read_articles(const json::Value& document, DemoContent& content) {
    const json::Value* articles = document.find("articles");
    const json::Array* list = articles == nullptr ? nullptr : articles->as_array();
    if (list == nullptr)
        return fail("demo content: \"articles\" must be an array");
    for (const json::Value& value : *list) {
        auto article = read_article(value);
        if (!article)
            return fail(article.error());
        std::string url = article->url;
        content.articles.emplace(std::move(url), std::move(article).value());
    }
    return {};
}

}  // namespace

Result<DemoContent> parse_demo_content(std::string_view text_bytes) {
    auto document = json::parse_value(text_bytes);
    if (!document)
        return fail("demo content: " + document.error());
    DemoContent content;
    if (auto feeds = read_feeds(*document, content); !feeds)
        return fail(feeds.error());
    if (auto articles = read_articles(*document, content); !articles)
        return fail(articles.error());
    return content;
}

Result<DemoContent> load_demo_content() {
    const auto* bytes = reinterpret_cast<const char*>(kDemoContent);  // NOLINT: bytes as text
    return parse_demo_content(std::string_view(bytes, kDemoContentSize));
}

}  // namespace papyr::news_server
