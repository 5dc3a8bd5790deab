#pragma once

// PNG files of the back buffer, for snapshots of the screens and golden
// images in tests.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

#include "base/result.h"

namespace papyr {

// Writes width × height 0xAARRGGBB pixels (row-major) as an 8-bit RGBA PNG,
// so reading the file back gives the exact pixel values. The file appears
// whole or not at all: it is written under a temporary name in the same
// folder and renamed over `path`.
[[nodiscard]] Result<void> write_png(const std::filesystem::path& path, std::size_t width,
                                     std::size_t height, std::span<const std::uint32_t> pixels);

}  // namespace papyr
