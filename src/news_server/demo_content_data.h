#pragma once

// The bytes of demo_content.json, turned into a C++ array at build time.

#include <cstddef>

namespace papyr {

extern const unsigned char kDemoContent[];
extern const std::size_t kDemoContentSize;

}  // namespace papyr
