#pragma once

// A framebuffer driver played in memory: it reports whatever screen
// information a test sets, records every request, and hands out a heap
// buffer of exactly the mapped length as device memory, so AddressSanitizer
// catches any write past the mapping.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "graphics/framebuffer_device.h"

namespace papyr::test {

class FakeFramebufferDevice final : public FramebufferDevice {
  public:
    static constexpr int kFd = 7;
    static constexpr std::byte kUntouched{0xAB};

    // What the driver reports; nothing makes the request fail.
    int open_error = 0;
    std::optional<VariableScreenInfo> variable = VariableScreenInfo{};
    std::optional<FixedScreenInfo> fixed = FixedScreenInfo{};
    bool map_fails = false;

    // What the surface did.
    std::vector<std::string> calls;
    std::optional<VariableScreenInfo> panned_with;

    // The device memory of the last mapping, pre-filled with kUntouched.
    std::span<const std::byte> memory() const { return {memory_.get(), memory_len_}; }
    // Plays another program drawing over the screen: every byte of the
    // mapping becomes `value`.
    void scribble(std::byte value) { std::fill_n(memory_.get(), memory_len_, value); }

    DeviceOpen open_read_write(const std::string& path) override {
        calls.push_back("open " + path);
        if (open_error != 0)
            return DeviceOpen{-1, open_error};
        return DeviceOpen{kFd, 0};
    }

    std::optional<VariableScreenInfo> read_variable_info(int fd) override {
        calls.push_back("get variable " + std::to_string(fd));
        return variable;
    }

    std::optional<FixedScreenInfo> read_fixed_info(int fd) override {
        calls.push_back("get fixed " + std::to_string(fd));
        return fixed;
    }

    bool pan_display(int fd, const VariableScreenInfo& info) override {
        calls.push_back("pan " + std::to_string(fd));
        panned_with = info;
        return true;
    }

    std::byte* map(int fd, std::size_t length) override {
        calls.push_back("map " + std::to_string(fd) + " " + std::to_string(length));
        // Like mmap(2), a zero length fails.
        if (map_fails || length == 0)
            return nullptr;
        memory_ = std::make_unique<std::byte[]>(length);
        memory_len_ = length;
        std::fill_n(memory_.get(), length, kUntouched);
        return memory_.get();
    }

    void unmap(std::byte* address, std::size_t length) override {
        calls.push_back(std::string("unmap ") + (address == memory_.get() ? "mapped" : "unknown") +
                        " " + std::to_string(length));
    }

    void close(int fd) override { calls.push_back("close " + std::to_string(fd)); }

  private:
    std::unique_ptr<std::byte[]> memory_;
    std::size_t memory_len_ = 0;
};

}  // namespace papyr::test
