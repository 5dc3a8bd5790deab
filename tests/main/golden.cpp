#include "main/golden.h"

#include <stb/stb_image_write.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "graphics/png.h"
#include "support/png_read.h"

namespace papyr::test {
namespace {

namespace fs = std::filesystem;

fs::path golden_path(const std::string& name) {
    return fs::path(PAPYR_SOURCE_DIR) / "tests" / "golden" / (name + ".png");
}

fs::path actual_path(const std::string& name) {
    return fs::path(PAPYR_BINARY_DIR) / "golden-actual" / (name + ".png");
}

bool regenerating() {
    const char* value = std::getenv("PAPYR_REGENERATE_GOLDENS");
    return value != nullptr && std::string(value) == "1";
}

std::string hex(std::uint32_t colour) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", colour);
    return text;
}

Result<void> write_surface(const fs::path& path, const Framebuffer& surface) {
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    return write_png(path, surface.width(), surface.height(), surface.pixels());
}

// Goldens are committed, so they are kept small: RGB only (every drawn pixel
// is opaque, and a golden read back has alpha 0xFF, so a pixel drawn with
// any other alpha still differs), without row filters, which suit these
// flat-coloured screens better than stb's choice, and compressed harder.
Result<void> write_golden(const fs::path& path, const Framebuffer& surface) {
    std::vector<unsigned char> rgb;
    rgb.reserve(surface.pixels().size() * 3);
    for (const std::uint32_t pixel : surface.pixels()) {
        rgb.push_back(static_cast<unsigned char>(pixel >> 16));
        rgb.push_back(static_cast<unsigned char>(pixel >> 8));
        rgb.push_back(static_cast<unsigned char>(pixel));
    }
    const int width = static_cast<int>(surface.width());
    const int saved_level = stbi_write_png_compression_level;
    const int saved_filter = stbi_write_force_png_filter;
    stbi_write_png_compression_level = 9;
    stbi_write_force_png_filter = 0;
    std::string encoded;
    const int ok = stbi_write_png_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                       static_cast<std::size_t>(size));
        },
        &encoded, width, static_cast<int>(surface.height()), 3, rgb.data(), width * 3);
    stbi_write_png_compression_level = saved_level;
    stbi_write_force_png_filter = saved_filter;
    if (ok == 0)
        return fail("cannot encode " + path.string());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(encoded.data(), static_cast<std::streamsize>(encoded.size()));
    if (!out.flush())
        return fail("cannot write " + path.string());
    return {};
}

// Why the drawn image is not the golden, or nothing when it is.
std::optional<std::string> difference(const Image& golden, const Framebuffer& surface) {
    if (golden.width != surface.width() || golden.height != surface.height()) {
        return "size " + std::to_string(surface.width()) + "x" + std::to_string(surface.height()) +
               ", golden " + std::to_string(golden.width) + "x" + std::to_string(golden.height);
    }
    const auto pixels = surface.pixels();
    std::size_t differing = 0;
    std::optional<std::size_t> first;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] == golden.pixels[i])
            continue;
        ++differing;
        if (!first)
            first = i;
    }
    if (!first)
        return std::nullopt;
    const std::size_t x = *first % golden.width;
    const std::size_t y = *first / golden.width;
    return "first differing pixel (" + std::to_string(x) + ", " + std::to_string(y) +
           "): expected " + hex(golden.pixels[*first]) + ", actual " + hex(pixels[*first]) + "; " +
           std::to_string(differing) + " pixels differ";
}

}  // namespace

::testing::AssertionResult matches_golden(const Framebuffer& surface, const std::string& name) {
    const fs::path golden_file = golden_path(name);
    if (regenerating()) {
        if (auto written = write_golden(golden_file, surface); !written)
            return ::testing::AssertionFailure() << written.error();
        return ::testing::AssertionSuccess();
    }

    std::error_code ignored;
    if (!fs::exists(golden_file)) {
        return ::testing::AssertionFailure()
               << "no golden " << golden_file.string()
               << " (goldens are made only by scripts/regenerate-goldens.sh)";
    }
    const Result<Image> golden = read_png(golden_file);
    if (!golden)
        return ::testing::AssertionFailure() << golden.error();

    const fs::path actual_file = actual_path(name);
    const std::optional<std::string> why = difference(*golden, surface);
    if (!why) {
        fs::remove(actual_file, ignored);  // a leftover from an earlier failure
        return ::testing::AssertionSuccess();
    }
    auto failure = ::testing::AssertionFailure() << name << ": " << *why;
    if (auto written = write_surface(actual_file, surface); written) {
        failure << "; drawn image written to " << actual_file.string();
    } else {
        failure << "; drawn image not written: " << written.error();
    }
    return failure;
}

}  // namespace papyr::test
