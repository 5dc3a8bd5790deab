#pragma once

// Bounds on what one page's markup can cost the HTML parser, applied to the
// bytes before they reach it. The HTML5 parser's work is linear in most
// input but not in all of it: every attribute of a tag is compared with the
// ones before it (80,000 attributes on one element take many seconds), many
// tags look through every element still open, and every attribute value is
// copied into the tree (a 4 MB class attribute on each of a few pages would
// take a console's memory). Tags past a bound are rewritten within it; all
// other bytes pass unchanged, so an ordinary page parses exactly as it came.

#include <cstddef>
#include <string>
#include <string_view>

namespace papyr::html {

struct MarkupBounds {
    // Elements left open at once in the source: further start tags are left
    // out (and as many of the end tags after them), their text kept.
    std::size_t max_open_elements = 400;
    // Attributes kept on one tag, in the order written; the rest are left out.
    std::size_t max_attributes = 128;
    // One attribute, name and value: a longer one is left out (a cut URL or
    // class list would only mislead).
    std::size_t max_attribute_bytes = 16 * 1024;
    // All attributes of one tag together.
    std::size_t max_tag_bytes = 256 * 1024;
};

// The markup within the bounds: `html` itself when it already is, else a
// copy with the tags past a bound rewritten, kept in `storage`.
[[nodiscard]] std::string_view bounded_markup(std::string_view html, const MarkupBounds& bounds,
                                              std::string& storage);

}  // namespace papyr::html
