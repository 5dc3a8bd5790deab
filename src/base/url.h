#pragma once

// Absolute http(s)-style URLs taken apart and put together again, relative
// references resolved against a base (RFC 3986, section 5), and the host test
// that decides whether a URL belongs to a site. Nothing is percent-decoded:
// the parts keep the bytes they were written with, so a URL put together
// again is the URL that was read, up to the case of its scheme and host.
//
// HttpsUrl is the strict form for URLs that a program is about to fetch:
// parsed once where the URL enters, so that nothing behind has to read the
// text again, and so narrow that no other URL reader (curl's among them)
// can find another host in it.

#include <cstddef>
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

// A host name as the DNS writes it: labels of ASCII letters, digits and
// hyphens, each 1 to 63 bytes long and neither starting nor ending with a
// hyphen, 253 bytes at most in all. The name comes back lowercase and without
// the trailing dot of a fully qualified name. Anything else is refused: IP
// literals in brackets, percent escapes, backslashes, ";", "*", "{}",
// empty labels, bytes outside ASCII.
[[nodiscard]] std::optional<std::string> parse_dns_name(std::string_view text);

// The longest URL parse_https_url accepts, in bytes.
inline constexpr std::size_t kLongestFetchUrl = 8192;

// An https URL on a DNS name (the fragment, which is never sent, is dropped).
struct HttpsUrl {
    std::string host;                  // parse_dns_name's form
    std::string port;                  // decimal 1-65535 without leading zeros; empty for 443
    std::string path;                  // starts with "/"
    std::optional<std::string> query;  // without "?"

    bool operator==(const HttpsUrl&) const = default;
};

// What becomes of an "http://" URL: the publishers serve every page over
// https too, so a link written the old way is fetched the safe way; a
// redirect to plain http is refused instead.
enum class PlainHttp { Upgrade, Refuse };

// Nothing unless `text` is an absolute https (or, to be upgraded, http) URL
// of at most kLongestFetchUrl bytes (also as written back) with a DNS host,
// no user information, no control characters or spaces, and a port, if any,
// in 1-65535. An upgraded URL loses its port 80.
[[nodiscard]] std::optional<HttpsUrl> parse_https_url(std::string_view text, PlainHttp plain);

[[nodiscard]] std::string to_string(const HttpsUrl& url);

// Whether `host` is `domain` or one of its subdomains ("www.bbc.com" belongs
// to "bbc.com", "notbbc.com" does not). Both are compared without case.
[[nodiscard]] bool host_within(std::string_view host, std::string_view domain);

}  // namespace papyr
