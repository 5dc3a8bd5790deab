#pragma once

// The server addresses, all derived from the one origin chosen at build time
// (the CMake setting PAPYR_API_ORIGIN; the default desktop build points at the
// stand-in server on this machine). Nothing here is configurable at run time.

#include <string_view>

#ifndef PAPYR_API_ORIGIN
#error "PAPYR_API_ORIGIN must be defined by the build (see src/news_api/CMakeLists.txt)"
#endif

namespace papyr {

// Scheme, host and port, without a trailing slash.
constexpr std::string_view api_origin() {
    return PAPYR_API_ORIGIN;
}

static_assert(!api_origin().empty() && !api_origin().ends_with('/'),
              "PAPYR_API_ORIGIN is scheme, host and port without a trailing slash");

// Base of every news API request, without a trailing slash.
constexpr std::string_view api_base_url() {
    return PAPYR_API_ORIGIN "/api/v1/news";
}

// The update manifest on the primary update server.
constexpr std::string_view update_manifest_url() {
    return PAPYR_API_ORIGIN "/ota/papyr.json";
}

}  // namespace papyr
