#pragma once

// Absolute http(s)-style URLs taken apart and put together again, relative
// references resolved against a base (RFC 3986, section 5), and the host test
// that decides whether a URL belongs to a site. Nothing is percent-decoded:
// the parts keep the bytes they were written with, so a URL put together
// again is the URL that was read, up to the case of its scheme and host.

#include <optional>
#include <string>
#include <string_view>

namespace papyr {

struct Url {
    std::string scheme;  // lowercase, without "://"
    std::string host;    // lowercase; IPv6 literals keep their brackets
    std::string port;    // digits, empty for the scheme's default
    std::string path;    // "/" when the URL has none
    std::string query;   // without "?"; has_query tells "…?" from "…"
    std::string fragment;
    bool has_query = false;
    bool has_fragment = false;

    bool operator==(const Url&) const = default;
};

// An absolute URL with an authority ("scheme://host…"). Fails (nullopt) on a
// relative reference, an empty host, user information ("user@host", which
// only ever serves to disguise the real host), a port that is not digits, and
// on control characters or spaces anywhere.
[[nodiscard]] std::optional<Url> parse_url(std::string_view text);

[[nodiscard]] std::string to_string(const Url& url);

// `reference` read relative to the absolute `base`: a full URL, "//host/…",
// "/path", "path", "?query" or "#fragment"; dot segments are removed.
// Fails when base is not absolute or the result is not a valid URL.
[[nodiscard]] std::optional<std::string> resolve_url(std::string_view base,
                                                     std::string_view reference);

// Whether `host` is `domain` or one of its subdomains ("www.bbc.com" belongs
// to "bbc.com", "notbbc.com" does not). Both are compared without case.
[[nodiscard]] bool host_within(std::string_view host, std::string_view domain);

}  // namespace papyr
