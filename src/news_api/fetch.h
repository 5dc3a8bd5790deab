#pragma once

// One GET request to the news API through the curl program. Success is
// decided by curl's exit status alone, never by the HTTP status, so an error
// page from the server comes back as a normal body for the caller to reject.

#include <string>

#include "base/result.h"

namespace papyr {

// Sent as the User-Agent header of every news API request.
inline constexpr char USER_AGENT[] = "Mozilla/5.0 (Linux; Android 10; TrimUI) Papyr/1.0";

// Blocks until curl has ended (at most a little over 12 seconds). The body is
// returned whole and untrimmed when it is valid UTF-8; every failure is a
// ready-to-show Vietnamese message.
[[nodiscard]] Result<std::string> fetch_url(const std::string& url);

}  // namespace papyr
