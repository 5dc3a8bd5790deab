#pragma once

// Lines of page furniture that end up inside an article's body: the labels
// of boxes and buttons, date and reading-time lines, agency credits, and
// the prompts that sites put under their stories (newsletters, apps,
// "follow us", "send us your story", copyright notices). Texts of every
// language the pages come in are compared in lower case.

#include <string>
#include <string_view>
#include <vector>

namespace papyr::extraction {

// A short text that is one of the stock lines of page furniture
// ("Advertisement", "Xem thêm:", "Share this article", "Lesen Sie auch").
[[nodiscard]] bool is_stock_line(std::string_view text);

// A short line that is a date, a time or a reading time with at most a few
// words around them ("Stand: 22.04.2024, 06:00 Uhr", "3 Min Lesezeit").
[[nodiscard]] bool is_dateline(std::string_view text);

// A short line that credits the story's sources ("Additional reporting by
// ...", "Mit Material von dpa") or prompts the reader (a newsletter, an app,
// an address to write to, a copyright notice, an unrendered [shortcode]):
// what sites write after the last paragraph.
[[nodiscard]] bool is_closing_furniture(std::string_view text);

// Whether `text` starts with one of the names, after a byline word ("By",
// "Von", "Par", ...): a byline, or an author's biography ("Ann Lee is ...").
[[nodiscard]] bool starts_with_name(std::string_view text, const std::vector<std::string>& names);

}  // namespace papyr::extraction
