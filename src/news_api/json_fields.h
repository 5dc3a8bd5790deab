#pragma once

// The JSON form of each record: its name, and its fields' keys, order and
// presence rules. The decoder and the encoder both walk these lists, so the
// key spelling and the field order (which the stored files depend on) live in
// one place.

#include <cstddef>
#include <string_view>

#include "news_api/records.h"

namespace papyr::json {

// How a field may be left out of the text.
enum class Presence {
    Required,   // an object must have it, and an array form must reach it
    Optional,   // absent from an object it reads as none, but an array form must reach it
    Defaulted,  // absent from an object or beyond the end of an array, it keeps its default
};

// For each record: its name, its field count, and
// visit(record, field), which calls field(key, presence, member) for every
// field in order; the record may be const.
template <class Record>
struct RecordFields;

template <>
struct RecordFields<NewsFeedItem> {
    static constexpr std::string_view name = "NewsFeedItem";
    static constexpr std::size_t count = 10;

    template <class Item, class Field>
    static void visit(Item& item, Field&& field) {
        field("id", Presence::Required, item.id);
        field("title", Presence::Required, item.title);
        field("lead", Presence::Defaulted, item.lead);
        field("link", Presence::Required, item.link);
        field("pubDate", Presence::Defaulted, item.pub_date);
        field("imageUrl", Presence::Defaulted, item.image_url);
        field("author", Presence::Defaulted, item.author);
        field("sourceId", Presence::Defaulted, item.source_id);
        field("sourceName", Presence::Defaulted, item.source_name);
        field("categoryId", Presence::Defaulted, item.category_id);
    }
};

template <>
struct RecordFields<ArticleDetail> {
    static constexpr std::string_view name = "ArticleDetail";
    static constexpr std::size_t count = 9;

    template <class Article, class Field>
    static void visit(Article& article, Field&& field) {
        field("url", Presence::Required, article.url);
        field("source", Presence::Required, article.source);
        field("title", Presence::Required, article.title);
        field("lead", Presence::Defaulted, article.lead);
        field("author", Presence::Defaulted, article.author);
        field("pubDate", Presence::Defaulted, article.pub_date);
        field("paragraphs", Presence::Defaulted, article.paragraphs);
        field("wordCount", Presence::Defaulted, article.word_count);
        field("readingTimeMinutes", Presence::Defaulted, article.reading_time_minutes);
    }
};

// The envelopes' optional members have no default of their own: an array form
// must list all three.
template <>
struct RecordFields<FeedResponse> {
    static constexpr std::string_view name = "FeedResponse";
    static constexpr std::size_t count = 3;

    template <class Response, class Field>
    static void visit(Response& response, Field&& field) {
        field("success", Presence::Required, response.success);
        field("items", Presence::Optional, response.items);
        field("error", Presence::Optional, response.error);
    }
};

template <>
struct RecordFields<ArticleResponse> {
    static constexpr std::string_view name = "ArticleResponse";
    static constexpr std::size_t count = 3;

    template <class Response, class Field>
    static void visit(Response& response, Field&& field) {
        field("success", Presence::Required, response.success);
        field("article", Presence::Optional, response.article);
        field("error", Presence::Optional, response.error);
    }
};

template <>
struct RecordFields<OtaManifest> {
    static constexpr std::string_view name = "OtaManifest";
    static constexpr std::size_t count = 6;

    template <class Manifest, class Field>
    static void visit(Manifest& manifest, Field&& field) {
        field("version", Presence::Required, manifest.version);
        field("name", Presence::Required, manifest.name);
        field("changelog", Presence::Required, manifest.changelog);
        field("download_url", Presence::Required, manifest.download_url);
        field("size_mb", Presence::Defaulted, manifest.size_mb);
        field("sha256", Presence::Defaulted, manifest.sha256);
    }
};

template <class T>
concept JsonRecord = requires {
    RecordFields<T>::count;
};

}  // namespace papyr::json
