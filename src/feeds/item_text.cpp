#include "feeds/item_text.h"

#include <algorithm>
#include <array>

#include "base/unicode.h"

namespace papyr::feeds {
namespace {

// Link texts that stand for "the rest is on the site", in the languages of
// the catalogue.
bool is_continuation_link(std::string_view text) {
    std::string key = to_unicode_lower(text);
    while (!key.empty() && (key.back() == '.' || key.back() == ' '))
        key.pop_back();
    if (key.size() >= 3 && key.compare(key.size() - 3, 3, "…") == 0)
        key.erase(key.size() - 3);
    static constexpr std::array<std::string_view, 6> kTexts = {
        "continue reading", "read more", "read the full story", "đọc tiếp", "xem tiếp", "xem thêm"};
    return std::find(kTexts.begin(), kTexts.end(), key) != kTexts.end();
}

bool is_dash_at(std::string_view text, std::size_t pos, std::size_t& length) {
    for (const std::string_view dash : {"-", "\u2013", "\u2014"}) {
        if (text.substr(pos, dash.size()) == dash) {
            length = dash.size();
            return true;
        }
    }
    return false;
}

bool is_email_address(std::string_view text) {
    const auto at = text.find('@');
    return at != std::string_view::npos && at > 0 && text.find(' ') == std::string_view::npos &&
           text.find('.', at) != std::string_view::npos;
}

// "editor@example.com (Nguyễn Văn A)" gives the name in parentheses.
std::string author_name(std::string_view text) {
    const auto open = text.find(" (");
    if (open != std::string_view::npos && text.back() == ')' &&
        is_email_address(text.substr(0, open)))
        return std::string(text.substr(open + 2, text.size() - open - 3));
    return is_email_address(text) ? std::string() : std::string(text);
}

// Bytes that continue a UTF-8 sequence.
bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string plain_text(const FeedText& text) {
    return text.kind == TextKind::Html ? html_to_text(text.value).text : clean_text(text.value);
}

std::string without_publisher_prefix(std::string_view lead) {
    // Publisher names are short; a longer parenthesis is part of the text.
    constexpr std::size_t kLongestName = 40;
    if (lead.empty() || lead.front() != '(')
        return std::string(lead);
    const auto close = lead.find(')');
    if (close == std::string_view::npos || close > kLongestName || close == 1 ||
        lead.substr(1, close - 1).find('(') != std::string_view::npos)
        return std::string(lead);
    std::size_t pos = close + 1;
    while (pos < lead.size() && lead[pos] == ' ')
        ++pos;
    std::size_t dash = 0;
    if (!is_dash_at(lead, pos, dash))
        return std::string(lead);
    pos += dash;
    while (pos < lead.size() && lead[pos] == ' ')
        ++pos;
    return pos < lead.size() ? std::string(lead.substr(pos)) : std::string(lead);
}

std::string lead_text(const HtmlText& description) {
    std::string_view text = description.text;
    if (!description.trailing_link.empty() && is_continuation_link(description.trailing_link) &&
        text.size() >= description.trailing_link.size() &&
        text.substr(text.size() - description.trailing_link.size()) == description.trailing_link) {
        text.remove_suffix(description.trailing_link.size());
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
    }
    return shortened(without_publisher_prefix(text), kMaxLeadCharacters);
}

std::string shortened(std::string_view text, std::size_t max_characters) {
    std::size_t characters = 0;
    std::size_t cut = 0;
    for (; cut < text.size(); ++cut) {
        if (!is_continuation(text[cut]) && characters++ == max_characters)
            break;
    }
    if (cut == text.size())
        return std::string(text);
    const auto space = text.rfind(' ', cut);
    const std::size_t end = space != std::string_view::npos && space > 0 ? space : cut;
    std::string out(text.substr(0, end));
    while (!out.empty() && (out.back() == ' ' || out.back() == ',' || out.back() == '.'))
        out.pop_back();
    return out + "…";
}

std::optional<std::string> author_names(const std::vector<FeedText>& authors) {
    std::vector<std::string> names;
    for (const auto& author : authors) {
        std::string name = author_name(plain_text(author));
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    if (names.empty())
        return std::nullopt;
    std::string joined = names.front();
    for (std::size_t i = 1; i < names.size(); ++i)
        joined += ", " + names[i];
    return joined;
}

}  // namespace papyr::feeds
