#pragma once

// One article, one link: item links made absolute, stripped of the
// parameters that only tell the publisher's analytics where a click came
// from (so the link of an article does not change with the feed it was
// found in), and of their fragment.

#include <optional>
#include <string>
#include <string_view>

namespace papyr::feeds {

// Whether the text is an absolute http(s) URL whose host is a plausible
// host name (letters, digits, "-", ".", "_", non-ASCII letters of an
// internationalised name) or a bracketed IPv6 address, and which reads back
// as the same URL when written again.
[[nodiscard]] bool is_web_url(std::string_view text);

// Whether a query parameter is one of the tracking parameters (utm_*, the
// BBC's at_*, fbclid, …). Names are compared without case.
[[nodiscard]] bool is_tracking_parameter(std::string_view name);

// The link as an absolute http(s) URL without fragment and tracking
// parameters; the other parameters keep their order and their bytes.
// `reference` is read relative to `base` when `may_be_relative`; otherwise
// only a whole URL counts. White space around it is dropped, tabs and line
// breaks inside it too, and inner spaces are written as %20. Fails when no
// http(s) URL comes out of it.
[[nodiscard]] std::optional<std::string> clean_link(std::string_view reference,
                                                    std::string_view base,
                                                    bool may_be_relative = true);

}  // namespace papyr::feeds
