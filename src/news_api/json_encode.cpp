// Encoding the records: every field in order, none left out.

#include "news_api/json.h"
#include "news_api/json_fields.h"
#include "news_api/json_writer.h"

namespace papyr {
namespace json {
namespace {

void write_value(Writer& writer, const std::string& text) {
    writer.string(text);
}
void write_value(Writer& writer, bool value) {
    writer.boolean(value);
}
void write_value(Writer& writer, std::uint64_t value) {
    writer.unsigned_integer(value);
}
void write_value(Writer& writer, float value) {
    writer.float32(value);
}
template <class T>
void write_value(Writer& writer, const std::optional<T>& value);
template <class T>
void write_value(Writer& writer, const std::vector<T>& values);
template <JsonRecord Record>
void write_value(Writer& writer, const Record& record);

template <class T>
void write_value(Writer& writer, const std::optional<T>& value) {
    if (value) {
        write_value(writer, *value);
    } else {
        writer.null();
    }
}

template <class T>
void write_value(Writer& writer, const std::vector<T>& values) {
    writer.begin_array();
    for (const T& value : values) {
        writer.element();
        write_value(writer, value);
    }
    writer.end_array();
}

template <JsonRecord Record>
void write_value(Writer& writer, const Record& record) {
    writer.begin_object();
    RecordFields<Record>::visit(record, [&](std::string_view key, Presence, const auto& member) {
        writer.key(key);
        write_value(writer, member);
    });
    writer.end_object();
}

template <class Value>
std::string encode(const Value& value, JsonLayout layout) {
    Writer writer(layout);
    write_value(writer, value);
    return std::move(writer).take();
}

}  // namespace
}  // namespace json

std::string encode_json(const NewsFeedItem& item, JsonLayout layout) {
    return json::encode(item, layout);
}

std::string encode_json(const std::vector<NewsFeedItem>& items, JsonLayout layout) {
    return json::encode(items, layout);
}

std::string encode_json(const ArticleDetail& article, JsonLayout layout) {
    return json::encode(article, layout);
}

std::string encode_json(const FeedResponse& response, JsonLayout layout) {
    return json::encode(response, layout);
}

std::string encode_json(const ArticleResponse& response, JsonLayout layout) {
    return json::encode(response, layout);
}

std::string encode_json(const OtaManifest& manifest, JsonLayout layout) {
    return json::encode(manifest, layout);
}

}  // namespace papyr
