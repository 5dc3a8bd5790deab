#pragma once

#include <optional>
#include <string_view>

namespace papyr::news_server {

// The character a named reference stands for: "atilde" gives U+00E3. Names
// are case-sensitive ("Atilde" is U+00C3).
[[nodiscard]] std::optional<char32_t> named_character(std::string_view name);

}  // namespace papyr::news_server
