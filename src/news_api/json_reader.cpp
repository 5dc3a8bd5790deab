#include "news_api/json_reader.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "news_api/json_debug.h"
#include "news_api/json_number.h"
#include "news_api/utf8.h"

namespace papyr::json {
namespace {

constexpr const char* kEofWhileParsingList = "EOF while parsing a list";
constexpr const char* kEofWhileParsingObject = "EOF while parsing an object";
constexpr const char* kEofWhileParsingString = "EOF while parsing a string";
constexpr const char* kEofWhileParsingValue = "EOF while parsing a value";
constexpr const char* kExpectedColon = "expected `:`";
constexpr const char* kExpectedListCommaOrEnd = "expected `,` or `]`";
constexpr const char* kExpectedObjectCommaOrEnd = "expected `,` or `}`";
constexpr const char* kExpectedSomeIdent = "expected ident";
constexpr const char* kExpectedSomeValue = "expected value";
constexpr const char* kInvalidEscape = "invalid escape";
constexpr const char* kInvalidNumber = "invalid number";
constexpr const char* kNumberOutOfRange = "number out of range";
constexpr const char* kInvalidUnicodeCodePoint = "invalid unicode code point";
constexpr const char* kControlCharacter =
    "control character (\\u0000-\\u001F) found while parsing a string";
constexpr const char* kKeyMustBeAString = "key must be a string";
constexpr const char* kLoneLeadingSurrogate = "lone leading surrogate in hex escape";
constexpr const char* kTrailingComma = "trailing comma";
constexpr const char* kTrailingCharacters = "trailing characters";
constexpr const char* kUnexpectedEndOfHexEscape = "unexpected end of hex escape";
constexpr const char* kRecursionLimitExceeded = "recursion limit exceeded";

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

// Whether value * 10 + digit exceeds limit.
template <class T>
bool overflows(T value, T digit, T limit) {
    return value >= limit / 10 && (value > limit / 10 || digit > limit % 10);
}

constexpr double kPowersOfTen[] = {
    1e000, 1e001, 1e002, 1e003, 1e004, 1e005, 1e006, 1e007, 1e008, 1e009, 1e010, 1e011, 1e012,
    1e013, 1e014, 1e015, 1e016, 1e017, 1e018, 1e019, 1e020, 1e021, 1e022, 1e023, 1e024, 1e025,
    1e026, 1e027, 1e028, 1e029, 1e030, 1e031, 1e032, 1e033, 1e034, 1e035, 1e036, 1e037, 1e038,
    1e039, 1e040, 1e041, 1e042, 1e043, 1e044, 1e045, 1e046, 1e047, 1e048, 1e049, 1e050, 1e051,
    1e052, 1e053, 1e054, 1e055, 1e056, 1e057, 1e058, 1e059, 1e060, 1e061, 1e062, 1e063, 1e064,
    1e065, 1e066, 1e067, 1e068, 1e069, 1e070, 1e071, 1e072, 1e073, 1e074, 1e075, 1e076, 1e077,
    1e078, 1e079, 1e080, 1e081, 1e082, 1e083, 1e084, 1e085, 1e086, 1e087, 1e088, 1e089, 1e090,
    1e091, 1e092, 1e093, 1e094, 1e095, 1e096, 1e097, 1e098, 1e099, 1e100, 1e101, 1e102, 1e103,
    1e104, 1e105, 1e106, 1e107, 1e108, 1e109, 1e110, 1e111, 1e112, 1e113, 1e114, 1e115, 1e116,
    1e117, 1e118, 1e119, 1e120, 1e121, 1e122, 1e123, 1e124, 1e125, 1e126, 1e127, 1e128, 1e129,
    1e130, 1e131, 1e132, 1e133, 1e134, 1e135, 1e136, 1e137, 1e138, 1e139, 1e140, 1e141, 1e142,
    1e143, 1e144, 1e145, 1e146, 1e147, 1e148, 1e149, 1e150, 1e151, 1e152, 1e153, 1e154, 1e155,
    1e156, 1e157, 1e158, 1e159, 1e160, 1e161, 1e162, 1e163, 1e164, 1e165, 1e166, 1e167, 1e168,
    1e169, 1e170, 1e171, 1e172, 1e173, 1e174, 1e175, 1e176, 1e177, 1e178, 1e179, 1e180, 1e181,
    1e182, 1e183, 1e184, 1e185, 1e186, 1e187, 1e188, 1e189, 1e190, 1e191, 1e192, 1e193, 1e194,
    1e195, 1e196, 1e197, 1e198, 1e199, 1e200, 1e201, 1e202, 1e203, 1e204, 1e205, 1e206, 1e207,
    1e208, 1e209, 1e210, 1e211, 1e212, 1e213, 1e214, 1e215, 1e216, 1e217, 1e218, 1e219, 1e220,
    1e221, 1e222, 1e223, 1e224, 1e225, 1e226, 1e227, 1e228, 1e229, 1e230, 1e231, 1e232, 1e233,
    1e234, 1e235, 1e236, 1e237, 1e238, 1e239, 1e240, 1e241, 1e242, 1e243, 1e244, 1e245, 1e246,
    1e247, 1e248, 1e249, 1e250, 1e251, 1e252, 1e253, 1e254, 1e255, 1e256, 1e257, 1e258, 1e259,
    1e260, 1e261, 1e262, 1e263, 1e264, 1e265, 1e266, 1e267, 1e268, 1e269, 1e270, 1e271, 1e272,
    1e273, 1e274, 1e275, 1e276, 1e277, 1e278, 1e279, 1e280, 1e281, 1e282, 1e283, 1e284, 1e285,
    1e286, 1e287, 1e288, 1e289, 1e290, 1e291, 1e292, 1e293, 1e294, 1e295, 1e296, 1e297, 1e298,
    1e299, 1e300, 1e301, 1e302, 1e303, 1e304, 1e305, 1e306, 1e307, 1e308,
};

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

// --- numbers --------------------------------------------------------------------

std::optional<Number> Reader::read_number(std::string_view expected) {
    const auto c = skip_whitespace();
    if (!c) {
        fail_at_peek(kEofWhileParsingValue);
        return std::nullopt;
    }
    if (*c == '-') {
        eat();
        return parse_integer(false);
    }
    if (is_digit(*c))
        return parse_integer(true);
    fail_invalid_type(expected);
    return std::nullopt;
}

std::optional<Number> Reader::parse_integer(bool positive) {
    const auto c = next();
    if (!c) {
        fail_here(kEofWhileParsingValue);
        return std::nullopt;
    }
    if (*c == '0') {
        // There can be only one leading zero.
        if (is_digit(peek_or_null())) {
            fail_at_peek(kInvalidNumber);
            return std::nullopt;
        }
        return parse_number(positive, 0);
    }
    if (!is_digit(*c)) {
        fail_here(kInvalidNumber);
        return std::nullopt;
    }
    std::uint64_t significand = *c - '0';
    for (;;) {
        const unsigned char d = peek_or_null();
        if (!is_digit(d))
            return parse_number(positive, significand);
        const std::uint64_t digit = d - '0';
        if (overflows(significand, digit, std::numeric_limits<std::uint64_t>::max())) {
            const auto value = parse_long_integer(positive, significand);
            if (!value)
                return std::nullopt;
            return Number{*value};
        }
        eat();
        significand = significand * 10 + digit;
    }
}

std::optional<Number> Reader::parse_number(bool positive, std::uint64_t significand) {
    const unsigned char c = peek_or_null();
    if (c == '.' || c == 'e' || c == 'E') {
        const auto value = c == '.' ? parse_decimal(positive, significand, 0)
                                    : parse_exponent(positive, significand, 0);
        if (!value)
            return std::nullopt;
        return Number{*value};
    }
    if (positive)
        return Number{significand};
    const auto negated = static_cast<std::int64_t>(0 - significand);
    // -0 and values below the signed range become floats.
    if (negated >= 0)
        return Number{-static_cast<double>(significand)};
    return Number{negated};
}

std::optional<double> Reader::parse_decimal(bool positive, std::uint64_t significand,
                                            std::int32_t exponent) {
    eat();  // the '.'
    bool any_digit = false;
    for (unsigned char d = peek_or_null(); is_digit(d); d = peek_or_null()) {
        const std::uint64_t digit = d - '0';
        if (overflows(significand, digit, std::numeric_limits<std::uint64_t>::max())) {
            return parse_decimal_overflow(positive, significand, exponent);
        }
        eat();
        significand = significand * 10 + digit;
        --exponent;
        any_digit = true;
    }
    if (!any_digit) {
        fail_at_peek(peek() ? kInvalidNumber : kEofWhileParsingValue);
        return std::nullopt;
    }
    const unsigned char c = peek_or_null();
    if (c == 'e' || c == 'E')
        return parse_exponent(positive, significand, exponent);
    return f64_from_parts(positive, significand, exponent);
}

std::optional<double> Reader::parse_decimal_overflow(bool positive, std::uint64_t significand,
                                                     std::int32_t exponent) {
    // Further digits cannot change the double; they are dropped.
    skip_digits();
    const unsigned char c = peek_or_null();
    if (c == 'e' || c == 'E')
        return parse_exponent(positive, significand, exponent);
    return f64_from_parts(positive, significand, exponent);
}

std::optional<double> Reader::parse_exponent(bool positive, std::uint64_t significand,
                                             std::int32_t starting_exponent) {
    eat();  // the 'e'
    bool positive_exponent = true;
    const unsigned char sign = peek_or_null();
    if (sign == '+' || sign == '-') {
        eat();
        positive_exponent = sign == '+';
    }
    const auto first = next();
    if (!first) {
        fail_here(kEofWhileParsingValue);
        return std::nullopt;
    }
    if (!is_digit(*first)) {
        fail_here(kInvalidNumber);
        return std::nullopt;
    }
    std::int32_t exponent = *first - '0';
    for (unsigned char d = peek_or_null(); is_digit(d); d = peek_or_null()) {
        eat();
        const std::int32_t digit = d - '0';
        if (overflows(exponent, digit, std::numeric_limits<std::int32_t>::max())) {
            return parse_exponent_overflow(positive, significand == 0, positive_exponent);
        }
        exponent = exponent * 10 + digit;
    }
    // Saturating, as the sum may leave the 32-bit range.
    const std::int64_t total = positive_exponent ? std::int64_t{starting_exponent} + exponent
                                                 : std::int64_t{starting_exponent} - exponent;
    const auto clamped = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        total, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    return f64_from_parts(positive, significand, clamped);
}

std::optional<double> Reader::parse_exponent_overflow(bool positive, bool zero_significand,
                                                      bool positive_exponent) {
    if (!zero_significand && positive_exponent) {
        fail_here(kNumberOutOfRange);
        return std::nullopt;
    }
    skip_digits();
    return positive ? 0.0 : -0.0;
}

std::optional<double> Reader::parse_long_integer(bool positive, std::uint64_t significand) {
    // Digits beyond the 64-bit range only scale the value.
    std::int32_t exponent = 0;
    for (;;) {
        const unsigned char c = peek_or_null();
        if (is_digit(c)) {
            eat();
            ++exponent;
        } else if (c == '.') {
            return parse_decimal(positive, significand, exponent);
        } else if (c == 'e' || c == 'E') {
            return parse_exponent(positive, significand, exponent);
        } else {
            return f64_from_parts(positive, significand, exponent);
        }
    }
}

// The same arithmetic as serde_json's default number reader, so that a value
// like "size_mb" lands on the same float even where this is not the double
// nearest to the decimal text.
std::optional<double> Reader::f64_from_parts(bool positive, std::uint64_t significand,
                                             std::int32_t exponent) {
    double f = static_cast<double>(significand);
    for (;;) {
        const std::int64_t magnitude = exponent < 0 ? -std::int64_t{exponent} : exponent;
        if (magnitude < static_cast<std::int64_t>(std::size(kPowersOfTen))) {
            const double power = kPowersOfTen[magnitude];
            if (exponent >= 0) {
                f *= power;
                if (std::isinf(f)) {
                    fail_here(kNumberOutOfRange);
                    return std::nullopt;
                }
            } else {
                f /= power;
            }
            break;
        }
        if (f == 0.0)
            break;
        if (exponent >= 0) {
            fail_here(kNumberOutOfRange);
            return std::nullopt;
        }
        f /= 1e308;
        exponent += 308;
    }
    return positive ? f : -f;
}

void Reader::skip_digits() {
    while (is_digit(peek_or_null()))
        eat();
}

bool Reader::skip_integer() {
    const auto c = next().value_or(0);
    if (c == '0') {
        if (is_digit(peek_or_null()))
            return fail_at_peek(kInvalidNumber);
    } else if (is_digit(c)) {
        skip_digits();
    } else {
        return fail_here(kInvalidNumber);
    }
    const unsigned char n = peek_or_null();
    if (n == '.')
        return skip_decimal();
    if (n == 'e' || n == 'E')
        return skip_exponent();
    return true;
}

bool Reader::skip_decimal() {
    eat();
    if (!is_digit(peek_or_null()))
        return fail_at_peek(kInvalidNumber);
    skip_digits();
    const unsigned char n = peek_or_null();
    if (n == 'e' || n == 'E')
        return skip_exponent();
    return true;
}

bool Reader::skip_exponent() {
    eat();
    const unsigned char sign = peek_or_null();
    if (sign == '+' || sign == '-')
        eat();
    if (!is_digit(next().value_or(0)))
        return fail_here(kInvalidNumber);
    skip_digits();
    return true;
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
