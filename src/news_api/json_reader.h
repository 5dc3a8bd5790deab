#pragma once

// The JSON reader under the record decoders: a byte cursor over the whole
// text that reads strings, numbers, literals and skipped values, and reports
// failures with the descriptions and positions that serde_json gives. The
// program shows these descriptions to users, word for word as serde_json
// words them, so each reading step below keeps serde_json's order of checks:
// which byte is consumed before a failure decides the reported column.
//
// Failures are recorded in the reader; the first one wins. Functions return
// false (or an empty optional) once a failure is recorded, and callers return
// at once, except where noted.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace papyr::json {

struct ReadError {
    std::string description;
    // Byte index whose line and column end the description. Absent while a
    // record-level failure waits for the record's closing bracket.
    std::optional<std::size_t> offset;
};

// A number as written: a whole number that fits 64 bits unsigned, a negative
// one that fits 64 bits signed, or anything else as a double.
using Number = std::variant<std::uint64_t, std::int64_t, double>;

// How the next element or member of a container begins.
enum class Step { Item, End, Failed };

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    // Skips white space and returns the next byte without consuming it.
    std::optional<unsigned char> skip_whitespace();
    void eat() { ++index_; }

    // --- values -----------------------------------------------------------
    // Each reads one value after skipping white space; `expected` names what
    // the caller accepts, for the type-error description.
    std::optional<std::string> read_string(std::string_view expected);
    std::optional<bool> read_bool(std::string_view expected);
    std::optional<Number> read_number(std::string_view expected);
    // Reads the literal null if it comes next; false with no failure when
    // something else comes.
    std::optional<bool> read_null_if_present();
    // Skips any value, checking its syntax only: escapes and control bytes
    // in strings are checked, surrogate pairs and UTF-8 are not (serde_json
    // skips the values of unknown members the same way).
    bool skip_value();

    // --- containers -------------------------------------------------------
    // Consumes the opening bracket at the cursor, counting nesting depth.
    bool enter_container();
    void leave_container() { ++remaining_depth_; }
    // Before each element or member: consumes the separating comma.
    Step next_element(bool& first);
    Step next_member(bool& first);
    // After next_member gave Item: the member's key and the colon after it.
    std::optional<std::string> read_key();
    bool read_colon();
    // The closing bracket. These run even after a failure inside a record,
    // because what they consume decides where a record-level failure is
    // reported (serde_json reads the bracket before positioning it).
    bool end_sequence();
    bool end_map();
    // After the top-level value: only white space may follow.
    bool finish();

    // --- failures ---------------------------------------------------------
    // Reports that the value at the cursor is not of the expected kind,
    // naming what it is: "invalid type: integer `42`, expected a string".
    bool fail_invalid_type(std::string_view expected);
    // Failure positioned after the bytes consumed so far.
    bool fail_here(std::string description);
    // Failure positioned on the next byte (included in the column).
    bool fail_at_peek(std::string description);
    // Failure that gets its position from fix_position.
    bool fail_unpositioned(std::string description);
    void fix_position();

    // "{description} at line {line} column {column}".
    std::string error_text() const;

  private:
    std::optional<unsigned char> peek() const;
    unsigned char peek_or_null() const;
    std::optional<unsigned char> next();
    bool fail_at(std::size_t offset, std::string description);

    bool parse_ident(std::string_view rest);
    std::optional<std::string> parse_string_body();
    bool parse_escape(std::string& out);
    std::optional<std::uint16_t> decode_hex_escape();
    bool skip_string_body();
    bool skip_escape();
    // Steps of skip_value: one scalar or opening bracket; the closing
    // brackets and the comma after it (End when nothing is left open); the
    // key and colon of a member of a skipped object.
    bool skip_token(unsigned char c, std::string& open);
    Step close_skipped(std::string& open, bool just_opened);
    bool skip_member_key();

    std::optional<Number> parse_integer(bool positive);
    std::optional<Number> parse_number(bool positive, std::uint64_t significand);
    std::optional<double> parse_decimal(bool positive, std::uint64_t significand,
                                        std::int32_t exponent);
    std::optional<double> parse_decimal_overflow(bool positive, std::uint64_t significand,
                                                 std::int32_t exponent);
    std::optional<double> parse_exponent(bool positive, std::uint64_t significand,
                                         std::int32_t starting_exponent);
    std::optional<double> parse_exponent_overflow(bool positive, bool zero_significand,
                                                  bool positive_exponent);
    std::optional<double> parse_long_integer(bool positive, std::uint64_t significand);
    std::optional<double> f64_from_parts(bool positive, std::uint64_t significand,
                                         std::int32_t exponent);
    bool skip_integer();
    bool skip_decimal();
    bool skip_exponent();
    void skip_digits();

    std::string_view text_;
    std::size_t index_ = 0;
    // Counts down as containers open; reaching zero is the recursion limit.
    // Skipped values count too (serde_json skips them without a limit), so
    // that no text nested 128 levels deep is accepted.
    int remaining_depth_ = 128;
    std::optional<ReadError> error_;
};

}  // namespace papyr::json
