#pragma once

// Release versions as dotted lists of numbers, and their ordering.

#include <cstdint>
#include <string_view>
#include <vector>

namespace papyr {

// The version of this build, compared with the update manifest's.
inline constexpr char CURRENT_VERSION[] = "1.0.0";

using VersionNumbers = std::vector<std::uint32_t>;

// Leading lower-case "v" letters are dropped, the rest is split at every ".",
// and each piece that reads as an unsigned 32-bit number (an optional "+",
// then digits) is kept in order; every other piece is skipped, not taken as
// 0, so "1.0.0-beta" gives 1, 0.
[[nodiscard]] VersionNumbers parse_version(std::string_view text);

// Whether `remote` comes after `current`: the first differing number decides,
// and when one list is a prefix of the other the longer one is newer.
[[nodiscard]] bool is_newer(const VersionNumbers& remote, const VersionNumbers& current);

}  // namespace papyr
