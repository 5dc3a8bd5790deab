#pragma once

// Pages written to cost an HTML reader as much as possible, each near the
// size the service reads (8 MB): for the tests that check every one ends in
// an answer or a message, and the benchmark that times them.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace papyr::test {

struct HostilePage {
    std::string name;
    // The page, about this many bytes long.
    std::function<std::string(std::size_t bytes)> make;
};

[[nodiscard]] const std::vector<HostilePage>& hostile_pages();

}  // namespace papyr::test
