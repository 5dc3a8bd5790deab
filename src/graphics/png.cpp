#include "graphics/png.h"

#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "base/os_error.h"

namespace papyr {
namespace {

void append_to_string(void* context, void* data, int size) {
    auto* out = static_cast<std::string*>(context);
    out->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::string error_text(const std::filesystem::path& path, const std::string& what) {
    return what + " " + path.string() + ": " + system_error_text(errno);
}

Result<void> write_whole_file(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return fail(error_text(path, "cannot create"));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return fail("cannot write " + path.string());
    }
    return {};
}

}  // namespace

Result<void> write_png(const std::filesystem::path& path, std::size_t width, std::size_t height,
                       std::span<const std::uint32_t> pixels) {
    if (width == 0 || height == 0 || width > INT_MAX / 4 || height > INT_MAX ||
        pixels.size() != width * height) {
        return fail("cannot write " + path.string() + ": the image size does not match its pixels");
    }
    std::vector<std::uint8_t> rgba;
    rgba.reserve(pixels.size() * 4);
    for (const std::uint32_t pixel : pixels) {
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 16));
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 8));
        rgba.push_back(static_cast<std::uint8_t>(pixel));
        rgba.push_back(static_cast<std::uint8_t>(pixel >> 24));
    }
    std::string encoded;
    const int w = static_cast<int>(width);
    if (stbi_write_png_to_func(append_to_string, &encoded, w, static_cast<int>(height), 4,
                               rgba.data(), w * 4) == 0) {
        return fail("cannot encode " + path.string() + " as PNG");
    }

    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(::getpid());
    if (auto written = write_whole_file(temporary, encoded); !written)
        return written;
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string message = error_text(path, "cannot rename onto");
        std::remove(temporary.c_str());
        return fail(message);
    }
    return {};
}

}  // namespace papyr
