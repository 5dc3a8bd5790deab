#include "extraction/furniture_lines.h"

#include <array>

#include "base/unicode.h"
#include "base/utf8.h"
#include "extraction/html.h"

namespace papyr::extraction {
namespace {

// Whole lines, compared without case and punctuation: labels of boxes and
// buttons, in the languages of the pages read most.
constexpr std::array<std::string_view, 82> kStockLines = {
    "advertisement",
    "advertising",
    "quảng cáo",
    "sponsored",
    "share",
    "share this",
    "share this article",
    "share this story",
    "chia sẻ",
    "comments",
    "bình luận",
    "related",
    "related articles",
    "related stories",
    "tin liên quan",
    "bài liên quan",
    "xem thêm",
    "đọc thêm",
    "read more",
    "more",
    "loading",
    "print",
    "email",
    "facebook",
    "twitter",
    "copy link",
    "link copied",
    "subscribe",
    "sign up",
    "most read",
    "đọc nhiều nhất",
    "top stories",
    "related topics",
    "chủ đề liên quan",
    "more on this story",
    "you may also like",
    "recommended",
    "back to top",
    "skip to content",
    "skip advertisement",
    "supported by",
    "listen to this article",
    "tags",
    "topics",
    "tin cùng chuyên mục",
    "continue reading",
    "lesen sie auch",
    "lesen sie mehr",
    "mehr zum thema",
    "zum thema",
    "weitere informationen",
    "ende der weiteren informationen",
    "das könnte sie auch interessieren",
    "auch interessant",
    "meistgelesen",
    "häufig gelesen",
    "kommentare",
    "kommentare anzeigen",
    "lire aussi",
    "à lire aussi",
    "voir aussi",
    "commentaires",
    "lee también",
    "te puede interesar",
    "mostrar comentarios",
    "comentarios",
    "leggi anche",
    "lees ook",
    "leia também",
    "saiba mais",
    "les også",
    "läs också",
    "læs også",
    "czytaj także",
    "czytaj też",
    "čtěte také",
    "most popular",
    "more stories",
    "read next",
    "up next",
    "show comments",
    "view comments",
};

// Starts of lines, compared in lower case with their punctuation.
constexpr std::array<std::string_view, 29> kStockStarts = {
    "read more:",
    "read also:",
    "see also:",
    "related:",
    "xem thêm:",
    "đọc thêm:",
    "tin liên quan:",
    "image source,",
    "image caption,",
    "media caption,",
    "photograph:",
    "photo:",
    "ảnh:",
    "video:",
    "tags:",
    "từ khóa:",
    "topics:",
    "filed under",
    "sign up to",
    "subscribe to",
    "follow us on",
    "share this",
    "click here to",
    "all rights reserved",
    "copyright ©",
    "©",
    "advertisement",
    "continue reading",
    "this article is more than",
};

// Phrases of closing lines, in lower case: credits of the reporting and of
// the agencies, notes on where the story first appeared.
constexpr std::array<std::string_view, 30> kCreditPhrases = {
    "contributed to this report",
    "contributed reporting",
    "additional reporting",
    "reporting by",
    "with reporting",
    "reported from",
    "with reports from",
    "writing by",
    "editing by",
    "first published",
    "originally published",
    "mit material",
    "agenturmaterial",
    "mit dpa",
    "(dpa)",
    "quelle:",
    "quellen:",
    "(quelle",
    "source:",
    "sources:",
    "fuente:",
    "zuerst erschienen",
    "erstveröffentlichung",
    "originalartikel",
    "translated by",
    "übersetzung:",
    "traduit par",
    "avec afp",
    "con información de",
    "(afp)",
};

// Phrases of prompts to the reader, in lower case.
constexpr std::array<std::string_view, 41> kPromptPhrases = {
    "newsletter",
    "subscribe",
    "sign up",
    "follow us",
    "follow our",
    "google news",
    "whatsapp",
    "telegram",
    "download the",
    "our app",
    "get in touch",
    "email us",
    "e-mail us",
    "story to tell",
    "tip off",
    "for more stories",
    "for the latest",
    "click here",
    "all rights reserved",
    "copyright",
    "©",
    "comments",
    "kommentar",
    "commentaire",
    "comentario",
    "abonnieren",
    "abonnez",
    "suscr",
    "folgen sie",
    "folgst du",
    "folge uns",
    "jetzt melden",
    "fehler gefunden",
    "il vous reste",
    "réservée aux abonnés",
    "suivez-nous",
    "síguenos",
    "uygulamasını",
    "ikuti",
    "app herunterladen",
    "registrieren",
};

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

template <std::size_t N>
bool holds_any(std::string_view lower, const std::array<std::string_view, N>& phrases) {
    for (const auto phrase : phrases) {
        if (lower.find(phrase) != std::string_view::npos)
            return true;
    }
    return false;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A time (06:00, 15.59), a date (22.04.2024, 2024-04-22, 4/22/24) or a
// year of this age (1990 to 2099).
bool holds_date_or_time(std::string_view text) {
    for (std::size_t i = 0; i + 3 < text.size(); ++i) {
        if (!is_digit(text[i]) || (i > 0 && is_digit(text[i - 1])))
            continue;
        std::size_t digits = i;
        while (digits < text.size() && is_digit(text[digits]))
            ++digits;
        const std::size_t run = digits - i;
        const bool year = run == 4 && (text.substr(i, 2) == "19" || text.substr(i, 2) == "20");
        const bool joined = run <= 4 && digits + 2 < text.size() &&
                            (text[digits] == ':' || text[digits] == '.' || text[digits] == '/' ||
                             text[digits] == '-') &&
                            is_digit(text[digits + 1]) && is_digit(text[digits + 2]);
        if (year || joined)
            return true;
    }
    return false;
}

// Letters and digits of the text, each counted once per character.
struct Characters {
    std::size_t letters = 0;
    std::size_t digits = 0;
};

Characters count_characters(std::string_view text) {
    Characters count;
    for_each_code_point(text, [&](char32_t c) {
        if (c >= '0' && c <= '9')
            ++count.digits;
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c > 0x7F)
            count.letters += is_unicode_whitespace(c) ? 0U : 1U;
    });
    return count;
}

bool is_reading_time(std::string_view lower) {
    const bool minutes =
        lower.find("min") != std::string_view::npos || lower.find("分") != std::string_view::npos;
    bool digit = false;
    for (const char c : lower)
        digit = digit || is_digit(c);
    return digit && minutes && text_length(lower) <= 30;
}

bool holds_mail_address(std::string_view text) {
    const std::size_t at = text.find('@');
    if (at == std::string_view::npos || at == 0)
        return false;
    const std::size_t dot = text.find('.', at);
    return dot != std::string_view::npos && dot > at + 1 && text[at - 1] != ' ';
}

// "[button link=...]", "[/caption]": a shortcode the site's editor left.
bool is_shortcode(std::string_view text) {
    return text.size() > 2 && text.front() == '[' && text.find(']') != std::string_view::npos &&
           ((text[1] >= 'a' && text[1] <= 'z') || text[1] == '/');
}

// Words that open a byline in the languages read most.
constexpr std::array<std::string_view, 12> kBylineWords = {
    "by ", "von ", "par ", "por ", "di ", "door ", "av ", "af ", "przez ", "od ", "bởi ", "de "};

}  // namespace

bool is_stock_line(std::string_view text) {
    if (text_length(text) > 120)
        return false;
    const std::string comparable = comparable_text(text);
    for (const auto line : kStockLines) {
        if (comparable == line)
            return true;
    }
    const std::string lower = to_unicode_lower(text);
    for (const auto start : kStockStarts) {
        if (starts_with(lower, start))
            return true;
    }
    return false;
}

bool is_dateline(std::string_view text) {
    if (text_length(text) > 60)
        return false;
    const std::string lower = to_unicode_lower(text);
    if (is_reading_time(lower))
        return true;
    const Characters count = count_characters(text);
    return holds_date_or_time(text) && count.digits * 4 >= count.letters + count.digits;
}

bool is_closing_furniture(std::string_view text) {
    const std::size_t length = text_length(text);
    if (length > 250)
        return false;
    const std::string lower = to_unicode_lower(text);
    return (length <= 150 && holds_any(lower, kCreditPhrases)) ||
           holds_any(lower, kPromptPhrases) || holds_mail_address(text) || is_shortcode(text) ||
           is_dateline(text);
}

bool starts_with_name(std::string_view text, const std::vector<std::string>& names) {
    std::string comparable = comparable_text(text);
    for (const auto word : kBylineWords) {
        if (starts_with(comparable, word)) {
            comparable.erase(0, word.size());
            break;
        }
    }
    for (const auto& name : names) {
        const std::string wanted = comparable_text(name);
        if (!wanted.empty() && starts_with(comparable, wanted) &&
            (comparable.size() == wanted.size() || comparable[wanted.size()] == ' '))
            return true;
    }
    return false;
}

}  // namespace papyr::extraction
