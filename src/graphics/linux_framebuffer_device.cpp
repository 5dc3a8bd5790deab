#include "graphics/linux_framebuffer_device.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace papyr {

static_assert(sizeof(fb_var_screeninfo) == sizeof(VariableScreenInfo::driver_record),
              "the opaque copy must hold the kernel's whole record");

DeviceOpen LinuxFramebufferDevice::open_read_write(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return DeviceOpen{-1, errno};
    return DeviceOpen{fd, 0};
}

std::optional<VariableScreenInfo> LinuxFramebufferDevice::read_variable_info(int fd) {
    fb_var_screeninfo record{};
    if (::ioctl(fd, FBIOGET_VSCREENINFO, &record) != 0)
        return std::nullopt;
    VariableScreenInfo info;
    info.xres = record.xres;
    info.yres = record.yres;
    info.xoffset = record.xoffset;
    info.yoffset = record.yoffset;
    std::memcpy(info.driver_record.data(), &record, sizeof record);
    return info;
}

std::optional<FixedScreenInfo> LinuxFramebufferDevice::read_fixed_info(int fd) {
    fb_fix_screeninfo record{};
    if (::ioctl(fd, FBIOGET_FSCREENINFO, &record) != 0)
        return std::nullopt;
    return FixedScreenInfo{record.smem_len, record.line_length};
}

bool LinuxFramebufferDevice::pan_display(int fd, const VariableScreenInfo& info) {
    fb_var_screeninfo record{};
    std::memcpy(&record, info.driver_record.data(), sizeof record);
    record.xoffset = info.xoffset;
    record.yoffset = info.yoffset;
    return ::ioctl(fd, FBIOPAN_DISPLAY, &record) == 0;
}

std::byte* LinuxFramebufferDevice::map(int fd, std::size_t length) {
    void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED)
        return nullptr;
    return static_cast<std::byte*>(address);
}

void LinuxFramebufferDevice::unmap(std::byte* address, std::size_t length) {
    ::munmap(address, length);
}

void LinuxFramebufferDevice::close(int fd) {
    ::close(fd);
}

}  // namespace papyr
