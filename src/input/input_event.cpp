#include "input/input_event.h"

#include <cstring>

namespace papyr {

namespace {

// Offsets inside the record: two 8-byte time stamp fields come first.
constexpr std::size_t kTypeOffset = 16;
constexpr std::size_t kCodeOffset = 18;
constexpr std::size_t kValueOffset = 20;

}  // namespace

InputEvent decode_input_event(std::span<const std::byte, kInputEventSize> record) {
    // memcpy keeps the reads free of alignment and aliasing assumptions.
    InputEvent event;
    std::memcpy(&event.type, record.data() + kTypeOffset, sizeof event.type);
    std::memcpy(&event.code, record.data() + kCodeOffset, sizeof event.code);
    std::memcpy(&event.value, record.data() + kValueOffset, sizeof event.value);
    return event;
}

}  // namespace papyr
