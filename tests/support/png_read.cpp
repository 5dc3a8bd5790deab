#include "support/png_read.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <memory>

namespace papyr::test {

Result<Image> read_png(const std::filesystem::path& path) {
    int width = 0;
    int height = 0;
    int channels = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
        stbi_load(path.c_str(), &width, &height, &channels, 4), stbi_image_free);
    if (rgba == nullptr)
        return fail("cannot read " + path.string() + ": " + stbi_failure_reason());
    Image image;
    image.width = static_cast<std::size_t>(width);
    image.height = static_cast<std::size_t>(height);
    image.pixels.resize(image.width * image.height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const stbi_uc* p = rgba.get() + i * 4;
        image.pixels[i] =
            std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
    return image;
}

}  // namespace papyr::test
