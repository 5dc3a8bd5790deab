#pragma once

// Golden images: a drawn surface compared pixel for pixel with a committed
// PNG under tests/golden/. A missing golden fails; goldens are only written
// when PAPYR_REGENERATE_GOLDENS=1 (scripts/regenerate-goldens.sh).

#include <gtest/gtest.h>

#include <string>

#include "graphics/framebuffer.h"

namespace papyr::test {

// On a difference, names the first differing pixel (row by row) with both
// colours and writes the drawn image to <build>/golden-actual/<name>.png.
::testing::AssertionResult matches_golden(const Framebuffer& surface, const std::string& name);

}  // namespace papyr::test
