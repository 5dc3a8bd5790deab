#pragma once

// Percent-encoding of a whole text for use as one query value: only the
// unreserved ASCII characters stay, so "?", "&", "=" and "#" inside the value
// can never be taken for parts of the request's own query. And decoding, for
// the service's side of such requests.

#include <string>
#include <string_view>

namespace papyr {

// Copies A-Z, a-z, 0-9, "-", ".", "_" and "~"; every other byte of the UTF-8
// text becomes "%" and two uppercase hexadecimal digits ("ộ" → "%E1%BB%99").
[[nodiscard]] std::string percent_encode(std::string_view text);

// "%" and two hexadecimal digits become their byte; a "%" without them
// stays as it is. With `plus_is_space` (a query), "+" becomes " ".
[[nodiscard]] std::string percent_decode(std::string_view text, bool plus_is_space);

}  // namespace papyr
