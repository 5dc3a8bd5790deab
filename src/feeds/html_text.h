#pragma once

// Plain text out of the HTML that feeds put in titles and descriptions: tags
// removed (script and style with their content), character references
// decoded, white space collapsed to single spaces, invalid UTF-8 replaced.
//
// The markup is read by the same HTML5 parser as whole article pages, with
// its bounds on memory, nesting and nodes, so the malformed fragments
// publishers write (a self-closed <a/>, a stray </br>, quotes of either kind,
// references without their ";") read as a browser shows them.

#include <string>
#include <string_view>
#include <vector>

namespace papyr::feeds {

struct HtmlImage {
    std::string src;  // as written: possibly relative
    int width = 0;    // 0 when the tag gives none
};

struct HtmlText {
    std::string text;
    // The text of the link the markup ends with, if it ends with one (the
    // Guardian's "Continue reading..."), cleaned like `text`.
    std::string trailing_link;
    std::vector<HtmlImage> images;  // every <img>, in document order
};

// Markup beyond this many bytes is not read: a summary never needs it.
inline constexpr std::size_t kMaxHtmlBytes = 256 * 1024;

[[nodiscard]] HtmlText html_to_text(std::string_view html);

// One line of text: every run of white space (Unicode's, and control
// characters) becomes one space, invisible characters (zero-width space,
// byte order mark, soft hyphen) are dropped, the ends are trimmed, invalid
// UTF-8 becomes U+FFFD and a letter with combining marks after it becomes
// the precomposed letter (Vietnamese typed as "e" + U+0302 + U+0301 reads
// "ế", as the reader's font draws it).
[[nodiscard]] std::string clean_text(std::string_view text);

}  // namespace papyr::feeds
