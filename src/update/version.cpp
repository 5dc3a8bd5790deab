#include "update/version.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace papyr {
namespace {

std::optional<std::uint32_t> parse_piece(std::string_view piece) {
    if (piece.starts_with('+'))
        piece.remove_prefix(1);
    if (piece.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : piece) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

VersionNumbers parse_version(std::string_view text) {
    while (text.starts_with('v'))
        text.remove_prefix(1);
    VersionNumbers numbers;
    while (true) {
        const std::size_t dot = text.find('.');
        if (const auto number = parse_piece(text.substr(0, dot)))
            numbers.push_back(*number);
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
    }
    return numbers;
}

bool is_newer(const VersionNumbers& remote, const VersionNumbers& current) {
    // Lexicographic order is exactly the rule: the first difference decides,
    // and a proper prefix sorts first.
    return std::lexicographical_compare(current.begin(), current.end(), remote.begin(),
                                        remote.end());
}

}  // namespace papyr
