#pragma once

// Builds input event records as a device hands them out, for feeding the
// decoder and the stand-in devices.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "input/input_event.h"

namespace papyr::test {

inline constexpr std::uint16_t kSync = 0;  // EV_SYN
inline constexpr std::uint16_t kKey = 1;   // EV_KEY
inline constexpr std::uint16_t kRelative = 2;
inline constexpr std::uint16_t kAbsolute = 3;
inline constexpr std::uint16_t kMisc = 4;

using Record = std::array<std::byte, kInputEventSize>;

// The time stamp is filled with a pattern so a decoder that reads it shows.
inline Record make_record(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    Record record;
    record.fill(std::byte{0xA5});
    std::memcpy(record.data() + 16, &type, sizeof type);
    std::memcpy(record.data() + 18, &code, sizeof code);
    std::memcpy(record.data() + 20, &value, sizeof value);
    return record;
}

inline std::vector<std::byte> concat(std::initializer_list<Record> records) {
    std::vector<std::byte> bytes;
    for (const Record& record : records)
        bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

}  // namespace papyr::test
