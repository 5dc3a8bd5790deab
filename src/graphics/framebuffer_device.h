#pragma once

// The few operating-system requests the surface makes on a framebuffer
// device, behind an interface so that tests can play a driver (odd sizes, a
// panned display, a failing mapping) and the drawing code never sees a
// device header.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace papyr {

inline constexpr const char* kFramebufferPath = "/dev/fb0";

// What the surface uses of the driver's variable screen information.
struct VariableScreenInfo {
    std::uint32_t xres = 0;
    std::uint32_t yres = 0;
    std::uint32_t xoffset = 0;
    std::uint32_t yoffset = 0;
    // The driver's whole record as it was read, kept opaque so that a pan
    // request hands the driver back its own values with only the offsets
    // changed. Sized for the kernel's 160-byte record.
    std::array<std::uint8_t, 160> driver_record{};
};

// What the surface uses of the driver's fixed screen information.
struct FixedScreenInfo {
    std::uint32_t smem_len = 0;     // bytes of device memory
    std::uint32_t line_length = 0;  // bytes from one row to the next
};

struct DeviceOpen {
    int fd = -1;
    int error = 0;  // errno of a failed open
};

class FramebufferDevice {
  public:
    virtual ~FramebufferDevice() = default;

    // Opens the device for reading and writing.
    virtual DeviceOpen open_read_write(const std::string& path) = 0;
    // FBIOGET_VSCREENINFO; nothing when the request fails.
    virtual std::optional<VariableScreenInfo> read_variable_info(int fd) = 0;
    // FBIOGET_FSCREENINFO; nothing when the request fails.
    virtual std::optional<FixedScreenInfo> read_fixed_info(int fd) = 0;
    // FBIOPAN_DISPLAY with the given record; false when the request fails.
    virtual bool pan_display(int fd, const VariableScreenInfo& info) = 0;
    // A shared, readable and writable mapping of `length` bytes at offset 0;
    // null when it fails.
    virtual std::byte* map(int fd, std::size_t length) = 0;
    virtual void unmap(std::byte* address, std::size_t length) = 0;
    virtual void close(int fd) = 0;
};

}  // namespace papyr
