#include "news_api/json_number.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <system_error>

namespace papyr::json {
namespace {

// The shortest round-trip digits of a finite value and the power of ten of
// the first digit: 1234.5 gives "12345" and 3.
struct Digits {
    std::string digits;
    int exponent = 0;
    bool negative = false;
};

template <class Float>
Digits shortest_digits(Float value) {
    char buffer[64];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    Digits out;
    std::size_t pos = 0;
    if (text[pos] == '-') {
        out.negative = true;
        ++pos;
    }
    const std::size_t e = text.find('e');
    for (; pos < e; ++pos) {
        if (text[pos] != '.')
            out.digits.push_back(text[pos]);
    }
    // from_chars takes no leading '+'.
    const std::size_t exponent_start = text[e + 1] == '+' ? e + 2 : e + 1;
    std::from_chars(text.data() + exponent_start, end, out.exponent);
    return out;
}

// Where two digit strings of the shortest length are equally close to the
// value, the shortest-digits printer picks the even one and Rust's float
// printing the one further from zero. This redoes the last digit Rust's way:
// the exact value rounded half-up to the same length, kept only if it still
// reads back as the same double.
Digits round_ties_away_from_zero(double value, Digits shortest) {
    // A double's exact decimal expansion has at most 767 significant digits.
    char exact[1100];
    std::snprintf(exact, sizeof exact, "%.800e", value);
    std::string digits;
    for (const char* p = exact; *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    }
    const std::size_t length = shortest.digits.size();
    if (digits.size() <= length || digits[length] != '5' ||
        digits.find_first_not_of('0', length + 1) != std::string::npos) {
        return shortest;  // not a tie
    }
    Digits rounded = shortest;
    rounded.digits = digits.substr(0, length);
    std::size_t i = length;
    while (i > 0 && rounded.digits[i - 1] == '9')
        rounded.digits[--i] = '0';
    if (i == 0) {
        rounded.digits.insert(rounded.digits.begin(), '1');
        rounded.digits.pop_back();
        ++rounded.exponent;
    } else {
        ++rounded.digits[i - 1];
    }
    const std::string text =
        (value < 0 ? "-0." : "0.") + rounded.digits + "e" + std::to_string(rounded.exponent + 1);
    return std::strtod(text.c_str(), nullptr) == value ? rounded : shortest;
}

}  // namespace

std::string format_plain_decimal(double value) {
    const Digits d = round_ties_away_from_zero(value, shortest_digits(value));
    std::string out = d.negative ? "-" : "";
    const int length = static_cast<int>(d.digits.size());
    const int point = d.exponent + 1;  // digits before the decimal point
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += d.digits;
    } else if (point < length) {
        out += d.digits.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += d.digits.substr(static_cast<std::size_t>(point));
    } else {
        out += d.digits;
        out.append(static_cast<std::size_t>(point - length), '0');
    }
    return out;
}

// The layout rules are those of the Ryu library's float printer, which
// serde_json uses, so that a manifest written here reads the same as one
// written by the server's tools.
std::string format_json_float(float value) {
    if (!std::isfinite(value))
        return "null";
    if (value == 0.0F)
        return std::signbit(value) ? "-0.0" : "0.0";
    const Digits d = shortest_digits(value);
    std::string out = d.negative ? "-" : "";
    const int length = static_cast<int>(d.digits.size());
    const int point = d.exponent + 1;
    const int trailing_zeros = point - length;
    if (trailing_zeros >= 0 && point <= 13) {
        out += d.digits;
        out.append(static_cast<std::size_t>(trailing_zeros), '0');
        out += ".0";
    } else if (point > 0 && point <= 13) {
        out += d.digits.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += d.digits.substr(static_cast<std::size_t>(point));
    } else if (point > -6 && point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += d.digits;
    } else {
        out += d.digits.substr(0, 1);
        if (length > 1) {
            out += '.';
            out += d.digits.substr(1);
        }
        out += 'e';
        out += std::to_string(point - 1);
    }
    return out;
}

float narrow_to_float(double value) {
    // Halfway between the largest float and 2^128: from here on the nearest
    // float is an infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    if (std::isnan(value))
        return std::numeric_limits<float>::quiet_NaN();
    if (std::fabs(value) >= kOverflow) {
        return std::signbit(value) ? -std::numeric_limits<float>::infinity()
                                   : std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

}  // namespace papyr::json
