#pragma once

// The JSON writer under the record encoders: appends tokens with the compact
// or the indented layout. The indented layout puts every member and element
// on its own line, two spaces per level, ": " after keys, writes an empty
// array as [] and ends without a line break, byte for byte what serde_json's
// pretty printer gives, so files written by either read the same.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "news_api/json.h"

namespace papyr::json {

class Writer {
  public:
    explicit Writer(JsonLayout layout) : layout_(layout) {}

    void begin_object() { begin_container('{'); }
    void end_object() { end_container('}'); }
    void begin_array() { begin_container('['); }
    void end_array() { end_container(']'); }
    // Before each member's value, and before each element of an array.
    void key(std::string_view name);
    void element();

    void string(std::string_view text);
    void null();
    void boolean(bool value);
    void unsigned_integer(std::uint64_t value);
    void float32(float value);

    std::string take() && { return std::move(out_); }

  private:
    void begin_container(char bracket);
    void end_container(char bracket);
    void separator();
    void value_written() { has_value_ = true; }

    JsonLayout layout_;
    std::string out_;
    std::vector<bool> first_;  // per open container: nothing written into it yet
    // Whether the innermost container written so far has content; decides if
    // its closing bracket goes on a line of its own.
    bool has_value_ = false;
};

}  // namespace papyr::json
