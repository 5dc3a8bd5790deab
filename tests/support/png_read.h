#pragma once

// Reads PNG files back into 0xAARRGGBB pixels, for golden-image tests.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/result.h"

namespace papyr::test {

struct Image {
    std::size_t width = 0;
    std::size_t height = 0;
    std::vector<std::uint32_t> pixels;  // row-major, 0xAARRGGBB
};

[[nodiscard]] Result<Image> read_png(const std::filesystem::path& path);

}  // namespace papyr::test
