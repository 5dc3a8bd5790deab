#include "news_api/json_reader.h"

#include <algorithm>

#include "base/utf8.h"
#include "news_api/json_debug.h"
#include "news_api/json_errors.h"
#include "news_api/json_number.h"

namespace papyr::json {
namespace {

bool is_digit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Bytes that end the fast scan of a string: controls, quote and backslash.
bool needs_escape(unsigned char c) {
    return c < 0x20 || c == '"' || c == '\\';
}

std::optional<std::uint16_t> hex_value(unsigned char c) {
    if (is_digit(c))
        return static_cast<std::uint16_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint16_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint16_t>(c - 'A' + 10);
    return std::nullopt;
}

std::string describe_number(const Number& number) {
    if (const auto* u = std::get_if<std::uint64_t>(&number)) {
        return "integer `" + std::to_string(*u) + "`";
    }
    if (const auto* i = std::get_if<std::int64_t>(&number)) {
        return "integer `" + std::to_string(*i) + "`";
    }
    return "floating point `" + format_plain_decimal(std::get<double>(number)) + "`";
}

}  // namespace

// --- cursor -------------------------------------------------------------------

std::optional<unsigned char> Reader::peek() const {
    if (index_ < text_.size())
        return static_cast<unsigned char>(text_[index_]);
    return std::nullopt;
}

unsigned char Reader::peek_or_null() const {
    return peek().value_or(0);
}

std::optional<unsigned char> Reader::next() {
    const auto c = peek();
    if (c)
        ++index_;
    return c;
}

std::optional<unsigned char> Reader::skip_whitespace() {
    for (;;) {
        const auto c = peek();
        if (c && (*c == ' ' || *c == '\n' || *c == '\t' || *c == '\r')) {
            eat();
        } else {
            return c;
        }
    }
}

// --- failures -----------------------------------------------------------------

bool Reader::fail_at(std::size_t offset, std::string description) {
    if (!error_)
        error_ = ReadError{std::move(description), offset};
    return false;
}

bool Reader::fail_here(std::string description) {
    return fail_at(index_, std::move(description));
}

bool Reader::fail_at_peek(std::string description) {
    return fail_at(std::min(text_.size(), index_ + 1), std::move(description));
}

bool Reader::fail_unpositioned(std::string description) {
    if (!error_)
        error_ = ReadError{std::move(description), std::nullopt};
    return false;
}

void Reader::fix_position() {
    if (error_ && !error_->offset)
        error_->offset = index_;
}

std::string Reader::error_text() const {
    if (!error_)
        return {};
    const std::size_t offset = error_->offset.value_or(index_);
    std::size_t line = 1;
    std::size_t column = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text_[i] == '\n') {
            ++line;
            column = 0;
        } else {
            ++column;
        }
    }
    return error_->description + " at line " + std::to_string(line) + " column " +
           std::to_string(column);
}

bool Reader::fail_invalid_type(std::string_view expected) {
    const unsigned char c = peek_or_null();
    std::string found;
    if (c == 'n' || c == 't' || c == 'f') {
        eat();
        const std::string_view rest = c == 'n' ? "ull" : c == 't' ? "rue" : "alse";
        if (!parse_ident(rest))
            return false;
        found = c == 'n' ? "null" : c == 't' ? "boolean `true`" : "boolean `false`";
    } else if (c == '-' || is_digit(c)) {
        if (c == '-')
            eat();
        const auto number = parse_integer(c != '-');
        if (!number)
            return false;
        found = describe_number(*number);
    } else if (c == '"') {
        eat();
        const auto text = parse_string_body();
        if (!text)
            return false;
        found = "string " + quote_like_rust_debug(*text);
    } else if (c == '[' || c == '{') {
        found = c == '[' ? "sequence" : "map";
    } else {
        return fail_at_peek(kExpectedSomeValue);
    }
    return fail_here("invalid type: " + found + ", expected " + std::string(expected));
}

// --- literals -------------------------------------------------------------------

bool Reader::parse_ident(std::string_view rest) {
    for (const char expected : rest) {
        const auto c = next();
        if (!c)
            return fail_here(kEofWhileParsingValue);
        if (*c != static_cast<unsigned char>(expected))
            return fail_here(kExpectedSomeIdent);
    }
    return true;
}

std::optional<bool> Reader::read_bool(std::string_view expected) {
    const auto c = skip_whitespace();
    if (!c) {
        fail_at_peek(kEofWhileParsingValue);
        return std::nullopt;
    }
    if (*c == 't' || *c == 'f') {
        eat();
        if (!parse_ident(*c == 't' ? "rue" : "alse"))
            return std::nullopt;
        return *c == 't';
    }
    fail_invalid_type(expected);
    return std::nullopt;
}

std::optional<bool> Reader::read_null_if_present() {
    if (skip_whitespace() != 'n')
        return false;
    eat();
    if (!parse_ident("ull"))
        return std::nullopt;
    return true;
}

// --- strings --------------------------------------------------------------------

std::optional<std::string> Reader::read_string(std::string_view expected) {
    const auto c = skip_whitespace();
    if (!c) {
        fail_at_peek(kEofWhileParsingValue);
        return std::nullopt;
    }
    if (*c == '"') {
        eat();
        return parse_string_body();
    }
    fail_invalid_type(expected);
    return std::nullopt;
}

std::optional<std::string> Reader::parse_string_body() {
    std::string out;
    std::size_t start = index_;
    for (;;) {
        while (index_ < text_.size() && !needs_escape(static_cast<unsigned char>(text_[index_]))) {
            ++index_;
        }
        if (index_ == text_.size()) {
            fail_here(kEofWhileParsingString);
            return std::nullopt;
        }
        const char c = text_[index_];
        out.append(text_.substr(start, index_ - start));
        ++index_;
        if (c == '"')
            break;
        if (c != '\\') {
            // The control byte counts as read: the column points past it.
            fail_here(kControlCharacter);
            return std::nullopt;
        }
        if (!parse_escape(out))
            return std::nullopt;
        start = index_;
    }
    if (!is_valid_utf8(out)) {
        fail_here(kInvalidUnicodeCodePoint);
        return std::nullopt;
    }
    return out;
}

bool Reader::parse_escape(std::string& out) {
    const auto c = next();
    if (!c)
        return fail_here(kEofWhileParsingString);
    switch (*c) {
        case '"':
            out += '"';
            return true;
        case '\\':
            out += '\\';
            return true;
        case '/':
            out += '/';
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return fail_here(kInvalidEscape);
    }
    const auto first = decode_hex_escape();
    if (!first)
        return false;
    if (*first >= 0xDC00 && *first <= 0xDFFF)
        return fail_here(kLoneLeadingSurrogate);
    if (*first < 0xD800 || *first > 0xDBFF) {
        append_utf8(out, *first);
        return true;
    }
    // A high surrogate must be followed by the escape of a low one. The byte
    // that breaks the pair counts as read.
    for (const char expected : {'\\', 'u'}) {
        const auto n = peek();
        if (!n)
            return fail_here(kEofWhileParsingString);
        eat();
        if (*n != static_cast<unsigned char>(expected))
            return fail_here(kUnexpectedEndOfHexEscape);
    }
    const auto second = decode_hex_escape();
    if (!second)
        return false;
    if (*second < 0xDC00 || *second > 0xDFFF)
        return fail_here(kLoneLeadingSurrogate);
    const char32_t cp =
        0x10000 + ((static_cast<char32_t>(*first - 0xD800) << 10) | (*second - 0xDC00U));
    append_utf8(out, cp);
    return true;
}

std::optional<std::uint16_t> Reader::decode_hex_escape() {
    if (text_.size() - index_ < 4) {
        index_ = text_.size();
        fail_here(kEofWhileParsingString);
        return std::nullopt;
    }
    std::uint16_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto digit = hex_value(static_cast<unsigned char>(text_[index_]));
        ++index_;
        if (!digit) {
            fail_here(kInvalidEscape);
            return std::nullopt;
        }
        value = static_cast<std::uint16_t>((value << 4) + *digit);
    }
    return value;
}

bool Reader::skip_string_body() {
    for (;;) {
        while (index_ < text_.size() && !needs_escape(static_cast<unsigned char>(text_[index_]))) {
            ++index_;
        }
        if (index_ == text_.size())
            return fail_here(kEofWhileParsingString);
        const char c = text_[index_];
        if (c == '"') {
            ++index_;
            return true;
        }
        // Unlike a string that is kept, the column of a control byte in a
        // skipped one points at the byte itself.
        if (c != '\\')
            return fail_here(kControlCharacter);
        ++index_;
        if (!skip_escape())
            return false;
    }
}

bool Reader::skip_escape() {
    const auto c = next();
    if (!c)
        return fail_here(kEofWhileParsingString);
    switch (*c) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            return true;
        case 'u':
            return decode_hex_escape().has_value();
        default:
            return fail_here(kInvalidEscape);
    }
}

// --- skipped values -------------------------------------------------------------

// Iterative, with the open brackets on an explicit stack, so that deep nesting
// in an ignored member cannot exhaust the call stack.
bool Reader::skip_value() {
    std::string open;  // brackets of the enclosing skipped containers
    for (;;) {
        const auto c = skip_whitespace();
        if (!c)
            return fail_at_peek(kEofWhileParsingValue);
        const std::size_t open_before = open.size();
        if (!skip_token(*c, open))
            return false;
        const Step step = close_skipped(open, open.size() > open_before);
        if (step != Step::Item)
            return step == Step::End;
        if (open.back() == '{' && !skip_member_key())
            return false;
    }
}

bool Reader::skip_token(unsigned char c, std::string& open) {
    switch (c) {
        case 'n':
        case 't':
        case 'f':
            eat();
            return parse_ident(c == 'n' ? "ull" : c == 't' ? "rue" : "alse");
        case '-':
            eat();
            return skip_integer();
        case '"':
            eat();
            return skip_string_body();
        case '[':
        case '{':
            if (!enter_container())
                return false;
            open.push_back(static_cast<char>(c));
            return true;
        default:
            return is_digit(c) ? skip_integer() : fail_at_peek(kExpectedSomeValue);
    }
}

Step Reader::close_skipped(std::string& open, bool just_opened) {
    bool accept_comma = !just_opened;
    while (!open.empty()) {
        const auto c = skip_whitespace();
        const bool in_array = open.back() == '[';
        if (!c) {
            fail_at_peek(in_array ? kEofWhileParsingList : kEofWhileParsingObject);
            return Step::Failed;
        }
        if (*c == ',' && accept_comma) {
            eat();
            return Step::Item;
        }
        if (*c != (in_array ? ']' : '}')) {
            if (!accept_comma)
                return Step::Item;  // the first element follows
            fail_at_peek(in_array ? kExpectedListCommaOrEnd : kExpectedObjectCommaOrEnd);
            return Step::Failed;
        }
        eat();
        leave_container();
        open.pop_back();
        accept_comma = true;
    }
    return Step::End;
}

bool Reader::skip_member_key() {
    const auto c = skip_whitespace();
    if (!c)
        return fail_at_peek(kEofWhileParsingObject);
    if (*c != '"')
        return fail_at_peek(kKeyMustBeAString);
    eat();
    return skip_string_body() && read_colon();
}

// --- containers -----------------------------------------------------------------

bool Reader::enter_container() {
    if (--remaining_depth_ == 0)
        return fail_at_peek(kRecursionLimitExceeded);
    eat();
    return true;
}

Step Reader::next_element(bool& first) {
    const auto c = skip_whitespace();
    if (!c) {
        fail_at_peek(kEofWhileParsingList);
        return Step::Failed;
    }
    if (*c == ']')
        return Step::End;
    if (*c == ',' && !first) {
        eat();
        const auto n = skip_whitespace();
        if (!n) {
            fail_at_peek(kEofWhileParsingValue);
            return Step::Failed;
        }
        if (*n == ']') {
            fail_at_peek(kTrailingComma);
            return Step::Failed;
        }
        return Step::Item;
    }
    if (!first) {
        fail_at_peek(kExpectedListCommaOrEnd);
        return Step::Failed;
    }
    first = false;
    return Step::Item;
}

Step Reader::next_member(bool& first) {
    auto c = skip_whitespace();
    if (!c) {
        fail_at_peek(kEofWhileParsingObject);
        return Step::Failed;
    }
    if (*c == '}')
        return Step::End;
    if (*c == ',' && !first) {
        eat();
        c = skip_whitespace();
    } else if (first) {
        first = false;
    } else {
        fail_at_peek(kExpectedObjectCommaOrEnd);
        return Step::Failed;
    }
    if (!c) {
        fail_at_peek(kEofWhileParsingValue);
        return Step::Failed;
    }
    if (*c == '"')
        return Step::Item;
    fail_at_peek(*c == '}' ? kTrailingComma : kKeyMustBeAString);
    return Step::Failed;
}

std::optional<std::string> Reader::read_key() {
    eat();  // the opening quote, seen by next_member
    return parse_string_body();
}

bool Reader::read_colon() {
    const auto c = skip_whitespace();
    if (!c)
        return fail_at_peek(kEofWhileParsingObject);
    if (*c != ':')
        return fail_at_peek(kExpectedColon);
    eat();
    return true;
}

bool Reader::end_sequence() {
    const auto c = skip_whitespace();
    if (!c)
        return fail_at_peek(kEofWhileParsingList);
    if (*c == ']') {
        eat();
        return true;
    }
    if (*c == ',') {
        eat();
        return fail_at_peek(skip_whitespace() == ']' ? kTrailingComma : kTrailingCharacters);
    }
    return fail_at_peek(kTrailingCharacters);
}

bool Reader::end_map() {
    const auto c = skip_whitespace();
    if (!c)
        return fail_at_peek(kEofWhileParsingObject);
    if (*c == '}') {
        eat();
        return true;
    }
    return fail_at_peek(*c == ',' ? kTrailingComma : kTrailingCharacters);
}

bool Reader::finish() {
    if (skip_whitespace())
        return fail_at_peek(kTrailingCharacters);
    return true;
}

}  // namespace papyr::json
