#pragma once

// Any JSON document as a tree of values, for the files whose shape is not one
// of the fixed records: the news service's sources.json and the JSON-LD
// metadata of article pages. Reading is as strict as the record decoders and
// fails with the same descriptions and positions ("expected `,` or `}` at
// line 3 column 7").

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/result.h"
#include "news_api/json_reader.h"

namespace papyr::json {

struct Value;
struct Member;
using Array = std::vector<Value>;
// Members in document order; a repeated key keeps every occurrence, and
// find() answers the first.
using Object = std::vector<Member>;

struct Value {
    std::variant<std::monostate, bool, Number, std::string, Array, Object> data;

    bool is_null() const { return std::holds_alternative<std::monostate>(data); }
    const bool* as_bool() const { return std::get_if<bool>(&data); }
    const Number* as_number() const { return std::get_if<Number>(&data); }
    const std::string* as_string() const { return std::get_if<std::string>(&data); }
    const Array* as_array() const { return std::get_if<Array>(&data); }
    const Object* as_object() const { return std::get_if<Object>(&data); }

    // The member named `key` of an object; nullptr when this is not an
    // object or has no such member.
    const Value* find(std::string_view key) const;

    // "null", "a boolean", "a number", "a string", "an array", "an object":
    // for messages such as "`feeds` must be an array, found a string".
    std::string_view kind_name() const;

    bool operator==(const Value&) const = default;
};

struct Member {
    std::string key;
    Value value;

    bool operator==(const Member&) const = default;
};

// One whole document: a single value with only white space around it.
[[nodiscard]] Result<Value> parse_value(std::string_view text);

}  // namespace papyr::json
