#include "news_api/json_value.h"

namespace papyr::json {
namespace {

bool read_any(Reader& reader, Value& out);

bool read_array(Reader& reader, Value& out) {
    if (!reader.enter_container())
        return false;
    Array items;
    bool first = true;
    for (;;) {
        const Step step = reader.next_element(first);
        if (step == Step::Failed)
            return false;
        if (step == Step::End)
            break;
        Value item;
        if (!read_any(reader, item))
            return false;
        items.push_back(std::move(item));
    }
    reader.leave_container();
    out.data = std::move(items);
    return reader.end_sequence();
}

bool read_object(Reader& reader, Value& out) {
    if (!reader.enter_container())
        return false;
    Object members;
    bool first = true;
    for (;;) {
        const Step step = reader.next_member(first);
        if (step == Step::Failed)
            return false;
        if (step == Step::End)
            break;
        auto key = reader.read_key();
        if (!key || !reader.read_colon())
            return false;
        Value member;
        if (!read_any(reader, member))
            return false;
        members.push_back({std::move(*key), std::move(member)});
    }
    reader.leave_container();
    out.data = std::move(members);
    return reader.end_map();
}

bool read_any(Reader& reader, Value& out) {
    const auto c = reader.skip_whitespace();
    if (!c)
        return reader.fail_at_peek("EOF while parsing a value");
    switch (*c) {
        case '{':
            return read_object(reader, out);
        case '[':
            return read_array(reader, out);
        case '"': {
            auto text = reader.read_string("a string");
            if (!text)
                return false;
            out.data = std::move(*text);
            return true;
        }
        case 't':
        case 'f': {
            const auto flag = reader.read_bool("a boolean");
            if (!flag)
                return false;
            out.data = *flag;
            return true;
        }
        case 'n':
            // Anything after the n that is not "ull" fails inside.
            if (!reader.read_null_if_present())
                return false;
            out.data = std::monostate{};
            return true;
        default: {
            // Numbers, and every byte that begins no value ("expected value").
            const auto number = reader.read_number("a value");
            if (!number)
                return false;
            out.data = *number;
            return true;
        }
    }
}

}  // namespace

const Value* Value::find(std::string_view key) const {
    const auto* members = as_object();
    if (members == nullptr)
        return nullptr;
    for (const auto& member : *members) {
        if (member.key == key)
            return &member.value;
    }
    return nullptr;
}

std::string_view Value::kind_name() const {
    switch (data.index()) {
        case 0:
            return "null";
        case 1:
            return "a boolean";
        case 2:
            return "a number";
        case 3:
            return "a string";
        case 4:
            return "an array";
        default:
            return "an object";
    }
}

Result<Value> parse_value(std::string_view text) {
    Reader reader(text);
    Value value;
    if (!read_any(reader, value) || !reader.finish())
        return fail(reader.error_text());
    return value;
}

}  // namespace papyr::json
