// Decoding the records: each field type's reading rule and the two forms of a
// record (an object keyed by name, or an array in field order).

#include <array>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "news_api/json.h"
#include "news_api/json_fields.h"
#include "news_api/json_number.h"
#include "news_api/json_reader.h"

namespace papyr {
namespace json {
namespace {

// Declared together so that the templates below find every overload.
bool read_value(Reader& reader, std::string& out);
bool read_value(Reader& reader, bool& out);
bool read_value(Reader& reader, std::uint64_t& out);
bool read_value(Reader& reader, float& out);
template <class T>
bool read_value(Reader& reader, std::optional<T>& out);
template <class T>
bool read_value(Reader& reader, std::vector<T>& out);
template <JsonRecord Record>
bool read_value(Reader& reader, Record& out);

bool read_value(Reader& reader, std::string& out) {
    auto text = reader.read_string("a string");
    if (!text)
        return false;
    out = std::move(*text);
    return true;
}

bool read_value(Reader& reader, bool& out) {
    const auto value = reader.read_bool("a boolean");
    if (!value)
        return false;
    out = *value;
    return true;
}

// The counters of an article: whole numbers from 0 to 2^64-1 only.
bool read_value(Reader& reader, std::uint64_t& out) {
    const auto number = reader.read_number("usize");
    if (!number)
        return false;
    if (const auto* u = std::get_if<std::uint64_t>(&*number)) {
        out = *u;
        return true;
    }
    if (const auto* i = std::get_if<std::int64_t>(&*number)) {
        return reader.fail_here("invalid value: integer `" + std::to_string(*i) +
                                "`, expected usize");
    }
    return reader.fail_here("invalid type: floating point `" +
                            format_plain_decimal(std::get<double>(*number)) + "`, expected usize");
}

// Any number, read as a double and then rounded to a float.
bool read_value(Reader& reader, float& out) {
    const auto number = reader.read_number("f32");
    if (!number)
        return false;
    std::visit(
        [&](auto value) {
            if constexpr (std::is_same_v<decltype(value), double>) {
                out = narrow_to_float(value);
            } else {
                out = static_cast<float>(value);
            }
        },
        *number);
    return true;
}

template <class T>
bool read_value(Reader& reader, std::optional<T>& out) {
    const auto is_null = reader.read_null_if_present();
    if (!is_null)
        return false;
    if (*is_null) {
        out.reset();
        return true;
    }
    T value{};
    if (!read_value(reader, value))
        return false;
    out = std::move(value);
    return true;
}

template <class T>
bool read_value(Reader& reader, std::vector<T>& out) {
    const auto c = reader.skip_whitespace();
    if (!c)
        return reader.fail_at_peek("EOF while parsing a value");
    if (*c != '[')
        return reader.fail_invalid_type("a sequence");
    if (!reader.enter_container())
        return false;
    bool first = true;
    for (;;) {
        const Step step = reader.next_element(first);
        if (step == Step::Failed)
            return false;
        if (step == Step::End)
            break;
        T element{};
        if (!read_value(reader, element))
            return false;
        out.push_back(std::move(element));
    }
    reader.leave_container();
    return reader.end_sequence();
}

template <JsonRecord Record>
bool read_members(Reader& reader, Record& record) {
    std::array<bool, RecordFields<Record>::count> seen{};
    bool first = true;
    for (;;) {
        const Step step = reader.next_member(first);
        if (step == Step::Failed)
            return false;
        if (step == Step::End)
            break;
        const auto key = reader.read_key();
        if (!key)
            return false;

        bool known = false;
        bool ok = true;
        std::size_t index = 0;
        RecordFields<Record>::visit(record, [&](std::string_view name, Presence, auto& member) {
            if (known || name != *key) {
                ++index;
                return;
            }
            known = true;
            // A repeated member fails before its value is read.
            if (seen[index]) {
                ok = reader.fail_unpositioned("duplicate field `" + *key + "`");
                return;
            }
            seen[index] = true;
            ok = reader.read_colon() && read_value(reader, member);
        });
        if (!known)
            ok = reader.read_colon() && reader.skip_value();
        if (!ok)
            return false;
    }

    // The first missing required field, in field order, is the one reported.
    bool ok = true;
    std::size_t index = 0;
    RecordFields<Record>::visit(record, [&](std::string_view name, Presence presence, auto&) {
        if (ok && !seen[index] && presence == Presence::Required) {
            ok = reader.fail_unpositioned("missing field `" + std::string(name) + "`");
        }
        ++index;
    });
    return ok;
}

template <JsonRecord Record>
bool read_elements(Reader& reader, Record& record) {
    bool first = true;
    bool ok = true;
    std::size_t found = 0;  // elements read so far: the count an early end reports
    RecordFields<Record>::visit(record, [&](std::string_view, Presence presence, auto& member) {
        if (!ok)
            return;
        // Once the array has ended, each further field sees its end again.
        switch (reader.next_element(first)) {
            case Step::Failed:
                ok = false;
                break;
            case Step::Item:
                ok = read_value(reader, member);
                ++found;
                break;
            case Step::End:
                if (presence != Presence::Defaulted) {
                    ok = reader.fail_unpositioned(
                        "invalid length " + std::to_string(found) + ", expected struct " +
                        std::string(RecordFields<Record>::name) + " with " +
                        std::to_string(RecordFields<Record>::count) + " elements");
                }
                break;
        }
    });
    return ok;
}

template <JsonRecord Record>
bool read_value(Reader& reader, Record& out) {
    const auto c = reader.skip_whitespace();
    if (!c)
        return reader.fail_at_peek("EOF while parsing a value");
    if (*c != '[' && *c != '{') {
        return reader.fail_invalid_type("struct " + std::string(RecordFields<Record>::name));
    }
    const bool as_array = *c == '[';
    if (!reader.enter_container())
        return false;
    const bool ok = as_array ? read_elements(reader, out) : read_members(reader, out);
    reader.leave_container();
    // The closing bracket is read even after a failure, and a failure of the
    // record itself (missing, repeated or too few fields) is positioned after
    // it; extra array elements fail here as trailing characters.
    const bool closed = as_array ? reader.end_sequence() : reader.end_map();
    reader.fix_position();
    return ok && closed;
}

template <class Value>
Result<Value> decode(std::string_view text) {
    Reader reader(text);
    Value value{};
    if (!read_value(reader, value) || !reader.finish())
        return fail(reader.error_text());
    return value;
}

}  // namespace
}  // namespace json

Result<FeedResponse> decode_feed_response(std::string_view text) {
    return json::decode<FeedResponse>(text);
}

Result<ArticleResponse> decode_article_response(std::string_view text) {
    return json::decode<ArticleResponse>(text);
}

Result<ArticleDetail> decode_article_detail(std::string_view text) {
    return json::decode<ArticleDetail>(text);
}

Result<std::vector<NewsFeedItem>> decode_news_feed_items(std::string_view text) {
    return json::decode<std::vector<NewsFeedItem>>(text);
}

Result<OtaManifest> decode_ota_manifest(std::string_view text) {
    return json::decode<OtaManifest>(text);
}

}  // namespace papyr
