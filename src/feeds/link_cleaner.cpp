#include "feeds/link_cleaner.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "base/url.h"
#include "base/utf8.h"

namespace papyr::feeds {
namespace {

// The one table of tracking parameters. Prefixes end in "_".
constexpr std::array<std::string_view, 2> kTrackingPrefixes = {"utm_", "at_"};
constexpr std::array<std::string_view, 17> kTrackingNames = {
    "fbclid", "gclid",  "gclsrc",  "dclid",  "msclkid", "yclid", "mc_cid", "mc_eid", "_ga",
    "_gl",    "igshid", "mkt_tok", "_hsenc", "_hsmi",   "ocid",  "cmp",    "zarsrc"};

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Trimmed, without the line breaks (and the indentation around them) that
// wrapped feed lines leave inside links, without tabs, inner spaces escaped.
std::string tidy(std::string_view reference) {
    const auto first = reference.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    reference = reference.substr(first, reference.find_last_not_of(" \t\r\n") - first + 1);
    std::string out;
    bool after_break = false;
    for (const char c : reference) {
        if (c == '\r' || c == '\n') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            after_break = true;
        } else if (c == ' ' || c == '\t') {
            if (!after_break && c == ' ')
                out += ' ';
        } else {
            after_break = false;
            out += c;
        }
    }
    std::string escaped;
    for (const char c : out) {
        if (c == ' ')
            escaped += "%20";
        else
            escaped += c;
    }
    return escaped;
}

std::string without_tracking(std::string_view query) {
    std::string kept;
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view parameter = query.substr(start, end - start);
        const std::string_view name = parameter.substr(0, parameter.find('='));
        if (!parameter.empty() && !is_tracking_parameter(name)) {
            if (!kept.empty())
                kept += '&';
            kept += parameter;
        }
        start = end + 1;
    }
    return kept;
}

bool is_host_name(std::string_view host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2).find_first_not_of("0123456789abcdefABCDEF:.") ==
               std::string_view::npos;
    return std::all_of(host.begin(), host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80 || std::isalnum(byte) || c == '-' || c == '.' || c == '_';
    });
}

bool is_web(const Url& url) {
    return (url.scheme == "http" || url.scheme == "https") && is_host_name(url.host);
}

}  // namespace

bool is_web_url(std::string_view text) {
    const auto url = parse_url(text);
    if (!url || !is_web(*url) || !is_valid_utf8(text))
        return false;
    const auto again = parse_url(to_string(*url));
    return again && *again == *url;
}

bool is_tracking_parameter(std::string_view name) {
    for (const auto prefix : kTrackingPrefixes) {
        if (name.size() > prefix.size() &&
            equals_ignoring_case(name.substr(0, prefix.size()), prefix))
            return true;
    }
    return std::any_of(kTrackingNames.begin(), kTrackingNames.end(),
                       [&](std::string_view known) { return equals_ignoring_case(name, known); });
}

std::optional<std::string> clean_link(std::string_view reference, std::string_view base,
                                      bool may_be_relative) {
    const std::string tidied = tidy(reference);
    if (tidied.empty() || !is_valid_utf8(tidied))
        return std::nullopt;
    std::optional<Url> url = parse_url(tidied);
    if (!url && may_be_relative) {
        if (const auto resolved = resolve_url(base, tidied))
            url = parse_url(*resolved);
    }
    if (!url || !is_web(*url))
        return std::nullopt;
    url->has_fragment = false;
    url->fragment.clear();
    url->query = without_tracking(url->query);
    url->has_query = !url->query.empty();
    std::string link = to_string(*url);
    if (!is_web_url(link))
        return std::nullopt;
    return link;
}

}  // namespace papyr::feeds
