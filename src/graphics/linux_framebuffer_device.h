#pragma once

// The framebuffer device as the Linux kernel offers it: open(2), the three
// framebuffer ioctls, mmap(2). It keeps no state, so one instance serves any
// number of surfaces.

#include "graphics/framebuffer_device.h"

namespace papyr {

class LinuxFramebufferDevice final : public FramebufferDevice {
  public:
    DeviceOpen open_read_write(const std::string& path) override;
    std::optional<VariableScreenInfo> read_variable_info(int fd) override;
    std::optional<FixedScreenInfo> read_fixed_info(int fd) override;
    bool pan_display(int fd, const VariableScreenInfo& info) override;
    std::byte* map(int fd, std::size_t length) override;
    void unmap(std::byte* address, std::size_t length) override;
    void close(int fd) override;
};

}  // namespace papyr
