#pragma once

// The texts of a headline: title, lead and author as plain single lines.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_entry.h"
#include "feeds/html_text.h"

namespace papyr::feeds {

// Leads longer than this many characters are cut at a word and end in "…":
// a list row shows two lines, and a feed that puts a whole article into its
// summary should not send it to every reader.
inline constexpr std::size_t kMaxLeadCharacters = 500;
// A headline made from the lead when the item has no title.
inline constexpr std::size_t kMaxTitleCharacters = 120;

// The text as one clean line: HTML read as HTML, plain text only tidied.
[[nodiscard]] std::string plain_text(const FeedText& text);

// The publisher's name in parentheses and a dash that open many leads
// ("(Dân trí) - Mới đây, …", "(NLĐO)– …"), removed.
[[nodiscard]] std::string without_publisher_prefix(std::string_view lead);

// The lead of a description: without a closing "Continue reading..." link,
// without the publisher prefix, at most kMaxLeadCharacters.
[[nodiscard]] std::string lead_text(const HtmlText& description);

// At most `max_characters` characters, cut after a whole word when there is
// one, with "…" when anything was cut.
[[nodiscard]] std::string shortened(std::string_view text, std::size_t max_characters);

// The names given, joined with ", ". RSS writes "email (Name)": the name is
// taken; a bare e-mail address names nobody and is dropped. None when no name
// is left.
[[nodiscard]] std::optional<std::string> author_names(const std::vector<FeedText>& authors);

}  // namespace papyr::feeds
