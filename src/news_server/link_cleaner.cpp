#include "news_server/link_cleaner.h"

#include <algorithm>
#include <array>

#include "base/url.h"
#include "base/utf8.h"

namespace papyr::news_server {
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

}  // namespace

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
    if (!url || (url->scheme != "http" && url->scheme != "https"))
        return std::nullopt;
    url->has_fragment = false;
    url->fragment.clear();
    url->query = without_tracking(url->query);
    url->has_query = !url->query.empty();
    return to_string(*url);
}

}  // namespace papyr::news_server
