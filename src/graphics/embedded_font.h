#pragma once

// The bytes of assets/DejaVuSans-Bold.ttf, turned into a C++ array at build
// time so that the program never reads a font from disk.

#include <cstddef>

namespace papyr {

extern const unsigned char kEmbeddedFont[];
extern const std::size_t kEmbeddedFontSize;

}  // namespace papyr
