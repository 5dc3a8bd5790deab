// Reading numbers: JSON's number grammar checked byte by byte, whole numbers
// kept exact in 64 bits, everything else converted to a double.

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "news_api/json_errors.h"
#include "news_api/json_reader.h"

namespace papyr::json {
namespace {

bool is_digit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Whether value * 10 + digit exceeds limit.
template <class T>
bool overflows(T value, T digit, T limit) {
    return value >= limit / 10 && (value > limit / 10 || digit > limit % 10);
}

// Written out so that each is the double nearest to its power; computing them
// by multiplication drifts from 1e23 on.
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

}  // namespace

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
    // The JSON grammar wants a digit after the point. (serde_json infers this
    // from the exponent, which lets "18446744073709551616." pass and fails
    // "18446744073709551616.5"; here both follow the grammar.)
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

}  // namespace papyr::json
