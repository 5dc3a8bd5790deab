#pragma once

// The record that a Linux input event device delivers on a 64-bit system:
// 24 bytes, of which the first 16 are a time stamp the program ignores.
// Defined here rather than taken from <linux/input.h> so the decoding stays a
// pure function that tests feed with recorded bytes.

#include <cstddef>
#include <cstdint>
#include <span>

namespace papyr {

inline constexpr std::size_t kInputEventSize = 24;

struct InputEvent {
    std::uint16_t type = 0;
    std::uint16_t code = 0;
    std::int32_t value = 0;
};

// Event types and axis codes the readers care about; their values are part of
// the kernel's stable interface.
inline constexpr std::uint16_t kEventKey = 1;       // EV_KEY
inline constexpr std::uint16_t kEventAbsolute = 3;  // EV_ABS

// Reads type, code and value (native byte order) from one whole record.
[[nodiscard]] InputEvent decode_input_event(std::span<const std::byte, kInputEventSize> record);

// Calls `visit(event)` for every complete record of `bytes`, in order. A
// trailing partial record is dropped: the device only ever hands out whole
// records, so a remainder cannot be completed by the next read.
template <class Visitor>
void for_each_input_event(std::span<const std::byte> bytes, Visitor&& visit) {
    const std::size_t count = bytes.size() / kInputEventSize;
    for (std::size_t i = 0; i < count; ++i) {
        visit(decode_input_event(bytes.subspan(i * kInputEventSize).first<kInputEventSize>()));
    }
}

}  // namespace papyr
