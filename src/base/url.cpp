#include "base/url.h"

#include <algorithm>
#include <vector>

namespace papyr {
namespace {

std::string lowercase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

bool is_scheme_char(char c, bool first) {
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first)
        return alpha;
    return alpha || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The scheme's length when `text` begins with "scheme:", otherwise 0.
std::size_t scheme_length(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':')
            return i;
        if (!is_scheme_char(text[i], i == 0))
            return 0;
    }
    return 0;
}

bool has_forbidden_bytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return c <= 0x20 || c == 0x7F; });
}

bool all_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Removes "." and ".." segments the way RFC 3986 5.2.4 does.
std::string remove_dot_segments(std::string_view path) {
    std::vector<std::string_view> segments;
    std::size_t start = path.empty() || path[0] != '/' ? 0 : 1;
    bool trailing_slash = false;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view segment = path.substr(start, end - start);
        trailing_slash = false;
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
            trailing_slash = true;
        } else if (segment == ".") {
            trailing_slash = true;
        } else {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto segment : segments) {
        out += '/';
        out += segment;
    }
    if (trailing_slash)
        out += '/';
    return out.empty() ? "/" : out;
}

// The path of `reference` (no scheme, no authority) joined to that of base.
std::string merge_paths(const Url& base, std::string_view reference_path) {
    if (!reference_path.empty() && reference_path[0] == '/')
        return remove_dot_segments(reference_path);
    const std::size_t last_slash = base.path.rfind('/');
    const std::string directory =
        last_slash == std::string::npos ? "/" : base.path.substr(0, last_slash + 1);
    return remove_dot_segments(directory + std::string(reference_path));
}

struct Tail {
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

Tail split_tail(std::string_view text) {
    Tail tail;
    if (const auto hash = text.find('#'); hash != std::string_view::npos) {
        tail.fragment = text.substr(hash + 1);
        text = text.substr(0, hash);
    }
    if (const auto question = text.find('?'); question != std::string_view::npos) {
        tail.query = text.substr(question + 1);
        text = text.substr(0, question);
    }
    tail.path = text;
    return tail;
}

constexpr std::size_t kLongestDnsName = 253;
constexpr std::size_t kLongestLabel = 63;

bool is_label_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

bool is_label(std::string_view label) {
    return !label.empty() && label.size() <= kLongestLabel && label.front() != '-' &&
           label.back() != '-' && std::all_of(label.begin(), label.end(), is_label_char);
}

// "1" to "65535"; "0", "65536", "" and anything but digits are no port.
std::optional<unsigned> parse_port(std::string_view text) {
    if (text.empty() || text.size() > 5 || !all_digits(text))
        return std::nullopt;
    unsigned port = 0;
    for (const char c : text)
        port = port * 10 + static_cast<unsigned>(c - '0');
    if (port == 0 || port > 65535)
        return std::nullopt;
    return port;
}

}  // namespace

std::optional<Url> parse_url(std::string_view text) {
    if (has_forbidden_bytes(text))
        return std::nullopt;
    const std::size_t colon = scheme_length(text);
    if (colon == 0 || text.substr(colon, 3) != "://")
        return std::nullopt;
    Url url;
    url.scheme = lowercase(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 3);
    const std::size_t authority_end = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, authority_end);
    if (authority.find('@') != std::string_view::npos)
        return std::nullopt;
    std::string_view host = authority;
    std::string_view port;
    const std::size_t bracket = authority.rfind(']');
    const std::size_t port_colon = authority.rfind(':');
    if (port_colon != std::string_view::npos &&
        (bracket == std::string_view::npos || port_colon > bracket)) {
        host = authority.substr(0, port_colon);
        port = authority.substr(port_colon + 1);
    }
    if (host.empty() || !all_digits(port))
        return std::nullopt;
    url.host = lowercase(host);
    url.port = std::string(port);

    const Tail tail = split_tail(rest.substr(authority_end));
    url.path = tail.path.empty() ? "/" : std::string(tail.path);
    url.has_query = tail.query.has_value();
    url.query = std::string(tail.query.value_or(""));
    url.has_fragment = tail.fragment.has_value();
    url.fragment = std::string(tail.fragment.value_or(""));
    return url;
}

std::string to_string(const Url& url) {
    std::string out = url.scheme + "://" + url.host;
    if (!url.port.empty())
        out += ":" + url.port;
    out += url.path;
    if (url.has_query)
        out += "?" + url.query;
    if (url.has_fragment)
        out += "#" + url.fragment;
    return out;
}

std::optional<std::string> resolve_url(std::string_view base_text, std::string_view reference) {
    auto base = parse_url(base_text);
    if (!base || has_forbidden_bytes(reference))
        return std::nullopt;
    if (scheme_length(reference) != 0) {
        const auto absolute = parse_url(reference);
        if (!absolute)
            return std::nullopt;
        Url out = *absolute;
        out.path = remove_dot_segments(out.path);
        return to_string(out);
    }
    if (reference.substr(0, 2) == "//") {
        const auto absolute = parse_url(base->scheme + ":" + std::string(reference));
        if (!absolute)
            return std::nullopt;
        Url out = *absolute;
        out.path = remove_dot_segments(out.path);
        return to_string(out);
    }

    const Tail tail = split_tail(reference);
    Url out = *base;
    out.has_fragment = tail.fragment.has_value();
    out.fragment = std::string(tail.fragment.value_or(""));
    if (tail.path.empty()) {
        if (tail.query) {
            out.has_query = true;
            out.query = std::string(*tail.query);
        }
        return to_string(out);
    }
    out.path = merge_paths(*base, tail.path);
    out.has_query = tail.query.has_value();
    out.query = std::string(tail.query.value_or(""));
    return to_string(out);
}

std::optional<std::string> parse_dns_name(std::string_view text) {
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    if (text.empty() || text.size() > kLongestDnsName)
        return std::nullopt;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        if (!is_label(text.substr(start, end - start)))
            return std::nullopt;
        start = end + 1;
    }
    return lowercase(text);
}

std::optional<HttpsUrl> parse_https_url(std::string_view text, PlainHttp plain) {
    if (text.size() > kLongestFetchUrl || has_forbidden_bytes(text))
        return std::nullopt;
    const std::size_t colon = scheme_length(text);
    if (colon == 0 || text.substr(colon, 3) != "://")
        return std::nullopt;
    const std::string scheme = lowercase(text.substr(0, colon));
    const bool upgraded = scheme == "http" && plain == PlainHttp::Upgrade;
    if (scheme != "https" && !upgraded)
        return std::nullopt;
    const std::string_view rest = text.substr(colon + 3);
    const std::size_t authority_end = std::min(rest.find_first_of("/?#"), rest.size());
    const std::string_view authority = rest.substr(0, authority_end);
    const std::size_t port_colon = authority.find(':');
    std::optional<std::string> host = parse_dns_name(authority.substr(0, port_colon));
    if (!host)
        return std::nullopt;
    HttpsUrl url;
    url.host = std::move(*host);
    if (port_colon != std::string_view::npos) {
        const std::optional<unsigned> port = parse_port(authority.substr(port_colon + 1));
        if (!port)
            return std::nullopt;
        if (*port != 443 && !(upgraded && *port == 80))
            url.port = std::to_string(*port);
    }
    const Tail tail = split_tail(rest.substr(authority_end));
    url.path = tail.path.empty() ? "/" : std::string(tail.path);
    if (tail.query)
        url.query = std::string(*tail.query);
    // The bound holds for the URL as it is written back too.
    if (to_string(url).size() > kLongestFetchUrl)
        return std::nullopt;
    return url;
}

std::string to_string(const HttpsUrl& url) {
    std::string out = "https://" + url.host;
    if (!url.port.empty())
        out += ":" + url.port;
    out += url.path;
    if (url.query)
        out += "?" + *url.query;
    return out;
}

bool host_within(std::string_view host, std::string_view domain) {
    const std::string h = lowercase(host);
    const std::string d = lowercase(domain);
    if (d.empty() || h.size() < d.size())
        return false;
    if (h == d)
        return true;
    return h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 &&
           h[h.size() - d.size() - 1] == '.';
}

}  // namespace papyr
