#pragma once

// The release public key (PEM), turned into a C++ array at build time from
// the file the CMake setting PAPYR_RELEASE_KEY names.

#include <cstddef>

namespace papyr {

extern const unsigned char kReleaseKey[];
extern const std::size_t kReleaseKeySize;

}  // namespace papyr
