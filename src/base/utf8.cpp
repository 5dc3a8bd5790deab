#include "base/utf8.h"

#include <cstdint>

namespace papyr {
namespace {

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

// The accepted range of the second byte depends on the first, which rules
// out over-long forms, surrogates and values above U+10FFFF.
bool second_byte_fits(unsigned char first, unsigned char second) {
    switch (first) {
        case 0xE0:
            return second >= 0xA0 && second <= 0xBF;
        case 0xED:
            return second >= 0x80 && second <= 0x9F;
        case 0xF0:
            return second >= 0x90 && second <= 0xBF;
        case 0xF4:
            return second >= 0x80 && second <= 0x8F;
        default:
            return is_continuation(second);
    }
}

std::size_t sequence_width(unsigned char first) {
    if (first < 0x80)
        return 1;
    if (first >= 0xC2 && first <= 0xDF)
        return 2;
    if (first >= 0xE0 && first <= 0xEF)
        return 3;
    if (first >= 0xF0 && first <= 0xF4)
        return 4;
    return 0;
}

}  // namespace

Utf8Step decode_utf8_step(std::string_view text, std::size_t pos) {
    const auto byte_at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte_at(pos);
    const std::size_t width = sequence_width(first);
    if (width == 1)
        return {Utf8Step::Kind::Valid, first, 1};
    if (width == 0)
        return {Utf8Step::Kind::Invalid, kReplacementCharacter, 1};

    char32_t code_point = first & (0xFFU >> (width + 1));
    for (std::size_t i = 1; i < width; ++i) {
        if (pos + i >= text.size()) {
            return {Utf8Step::Kind::Incomplete, kReplacementCharacter, text.size() - pos};
        }
        const unsigned char next = byte_at(pos + i);
        const bool fits = i == 1 ? second_byte_fits(first, next) : is_continuation(next);
        if (!fits)
            return {Utf8Step::Kind::Invalid, kReplacementCharacter, i};
        code_point = (code_point << 6) | (next & 0x3FU);
    }
    return {Utf8Step::Kind::Valid, code_point, width};
}

std::optional<Utf8Error> find_utf8_error(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const Utf8Step step = decode_utf8_step(text, pos);
        switch (step.kind) {
            case Utf8Step::Kind::Valid:
                break;
            case Utf8Step::Kind::Invalid:
                return Utf8Error{pos, step.length};
            case Utf8Step::Kind::Incomplete:
                return Utf8Error{pos, std::nullopt};
        }
        pos += step.length;
    }
    return std::nullopt;
}

std::string describe_utf8_error(const Utf8Error& error) {
    if (error.error_length) {
        return "invalid utf-8 sequence of " + std::to_string(*error.error_length) +
               " bytes from index " + std::to_string(error.valid_up_to);
    }
    return "incomplete utf-8 byte sequence from index " + std::to_string(error.valid_up_to);
}

std::string to_utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const Utf8Step step = decode_utf8_step(bytes, pos);
        if (step.kind == Utf8Step::Kind::Valid) {
            out.append(bytes.substr(pos, step.length));
        } else {
            append_utf8(out, kReplacementCharacter);
        }
        pos += step.length;
    }
    return out;
}

void append_utf8(std::string& out, char32_t code_point) {
    const auto push = [&](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    const auto cp = static_cast<std::uint32_t>(code_point);
    if (cp < 0x80) {
        push(cp);
    } else if (cp < 0x800) {
        push(0xC0U | (cp >> 6));
        push(0x80U | (cp & 0x3FU));
    } else if (cp < 0x10000) {
        push(0xE0U | (cp >> 12));
        push(0x80U | ((cp >> 6) & 0x3FU));
        push(0x80U | (cp & 0x3FU));
    } else {
        push(0xF0U | (cp >> 18));
        push(0x80U | ((cp >> 12) & 0x3FU));
        push(0x80U | ((cp >> 6) & 0x3FU));
        push(0x80U | (cp & 0x3FU));
    }
}

}  // namespace papyr
