#pragma once

// The hash that names article cache files. It must stay bit-for-bit what
// earlier releases computed, or every cached article would be lost: SipHash-1-3
// with both keys zero over the URL's UTF-8 bytes followed by one 0xFF byte
// (the way Rust's DefaultHasher hashes a str).

#include <cstdint>
#include <string>
#include <string_view>

namespace papyr {

[[nodiscard]] std::uint64_t url_hash(std::string_view url);

// "art_" + url_hash in lowercase hexadecimal without leading zeros + ".json".
[[nodiscard]] std::string article_cache_file_name(std::string_view url);

}  // namespace papyr
