#pragma once

// UTF-8 decoding with the same notion of an invalid sequence as Rust's
// standard library: a sequence is cut at the first byte that cannot continue
// it, so its reported length is 1 to 3 bytes, and a text that ends inside a
// sequence is "incomplete" rather than invalid.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace papyr {

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

struct Utf8Step {
    enum class Kind { Valid, Invalid, Incomplete };
    Kind kind = Kind::Valid;
    char32_t code_point = kReplacementCharacter;  // U+FFFD unless Valid
    std::size_t length = 0;                       // bytes consumed, at least 1
};

// Decodes the sequence that starts at `pos` (pos < text.size()).
Utf8Step decode_utf8_step(std::string_view text, std::size_t pos);

struct Utf8Error {
    std::size_t valid_up_to = 0;              // byte index of the bad sequence
    std::optional<std::size_t> error_length;  // absent: the text ends inside it
};

// The first error of the text, or nothing when it is valid UTF-8.
std::optional<Utf8Error> find_utf8_error(std::string_view text);

inline bool is_valid_utf8(std::string_view text) {
    return !find_utf8_error(text).has_value();
}

// The description Rust gives an error: "invalid utf-8 sequence of N bytes from
// index I" or "incomplete utf-8 byte sequence from index I".
std::string describe_utf8_error(const Utf8Error& error);

// Replaces every invalid or incomplete sequence by one U+FFFD.
std::string to_utf8_lossy(std::string_view bytes);

void append_utf8(std::string& out, char32_t code_point);

// Calls `visit(code_point)` for each character; invalid sequences arrive as
// U+FFFD, one per sequence.
template <class Visitor>
void for_each_code_point(std::string_view text, Visitor&& visit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Most characters of any text are ASCII, which needs no decoding.
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            visit(static_cast<char32_t>(byte));
            ++pos;
            continue;
        }
        const Utf8Step step = decode_utf8_step(text, pos);
        visit(step.code_point);
        pos += step.length;
    }
}

}  // namespace papyr
