#include "extraction/class_hints.h"

#include <algorithm>
#include <array>

namespace papyr::extraction {
namespace {

// Whole words that mark boilerplate.
constexpr std::array<std::string_view, 96> kBoilerplateWords = {
    "ad",
    "ads",
    "adv",
    "advert",
    "adverts",
    "advertisement",
    "advertising",
    "adsense",
    "adslot",
    "banner",
    "breadcrumb",
    "breadcrumbs",
    "byline",
    "caption",
    "comment",
    "comments",
    "consent",
    "cookie",
    "cookies",
    "credit",
    "credits",
    "disqus",
    "donate",
    "donation",
    "dropdown",
    "footer",
    "gdpr",
    "header",
    "masthead",
    "menu",
    "nav",
    "navbar",
    "navigation",
    "newsletter",
    "newsletters",
    "outbrain",
    "taboola",
    "pagination",
    "pager",
    "paywall",
    "popup",
    "modal",
    "overlay",
    "promo",
    "promos",
    "promotion",
    "promoted",
    "recirc",
    "recirculation",
    "recommend",
    "recommended",
    "recommendations",
    "related",
    "relate",
    "share",
    "shares",
    "sharing",
    "sharebar",
    "social",
    "sns",
    "signup",
    "signin",
    "login",
    "subscribe",
    "subscription",
    "sponsor",
    "sponsored",
    "sidebar",
    "widget",
    "widgets",
    "toolbar",
    "trending",
    "popular",
    "mostread",
    "tags",
    "tag",
    "meta",
    "author",
    "bio",
    "skip",
    "rating",
    "poll",
    "print",
    "toc",
    "date",
    "dateline",
    "timestamp",
    "xemthem",
    "tinlienquan",
    "lienquan",
    "gallery",
    "slideshow",
    "carousel",
    "video",
    "player",
    "thumbnail",
};

// Word stems that mark boilerplate when a word starts with them, for names
// written as one word ("relatedposts", "commentlist", "sharethis").
constexpr std::array<std::string_view, 22> kBoilerplateStems = {
    "related", "share",     "social",   "comment",    "newsletter", "subscri",
    "advert",  "sponsor",   "promo",    "cookie",     "consent",    "breadcrumb",
    "sidebar", "footer",    "navbar",   "navigation", "pagination", "outbrain",
    "taboola", "recommend", "trending", "disqus",
};

// Pairs of words that mark boilerplate together ("read-more", "see_also").
constexpr std::array<std::pair<std::string_view, std::string_view>, 13> kBoilerplatePairs = {{
    {"read", "more"},
    {"see", "also"},
    {"also", "read"},
    {"most", "read"},
    {"more", "stories"},
    {"sign", "up"},
    {"sign", "in"},
    {"xem", "them"},
    {"lien", "quan"},
    {"doc", "them"},
    {"follow", "us"},
    {"you", "may"},
    {"top", "stories"},
}};

constexpr std::array<std::string_view, 24> kContentWords = {
    "article", "articlebody", "articletext", "body",         "content",     "entry",
    "main",    "post",        "text",        "blog",         "story",       "detail",
    "prose",   "richtext",    "markdown",    "singular",     "fck",         "hentry",
    "chapter", "storybody",   "postbody",    "entrycontent", "maincontent", "afcbc",
};

constexpr std::array<std::string_view, 11> kHiddenWords = {
    "hidden",          "hide",           "invisible",          "sr-only",
    "visually-hidden", "visuallyhidden", "screen-reader-text", "d-none",
    "offscreen",       "u-hidden",       "is-hidden"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

bool is_lower(char c) {
    return c >= 'a' && c <= 'z';
}
bool is_upper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool is_alnum(char c) {
    return is_lower(c) || is_upper(c) || (c >= '0' && c <= '9');
}

bool boilerplate_words(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (listed(kBoilerplateWords, word))
            return true;
        if (word.size() > 6) {
            for (const auto stem : kBoilerplateStems) {
                if (word.substr(0, stem.size()) == stem)
                    return true;
            }
        }
        if (i + 1 < words.size()) {
            for (const auto& [first, second] : kBoilerplatePairs) {
                if (word == first && words[i + 1] == second)
                    return true;
            }
        }
    }
    return false;
}

bool hidden_tokens(std::string_view classes) {
    std::size_t pos = 0;
    while (pos < classes.size()) {
        const std::size_t end = std::min(classes.find(' ', pos), classes.size());
        std::string token(classes.substr(pos, end - pos));
        for (char& c : token) {
            if (is_upper(c))
                c = static_cast<char>(c - 'A' + 'a');
        }
        if (listed(kHiddenWords, token))
            return true;
        pos = end + 1;
    }
    return false;
}

}  // namespace

std::vector<std::string> hint_words(std::string_view attribute) {
    std::vector<std::string> words;
    std::string word;
    const auto flush = [&] {
        if (!word.empty())
            words.push_back(std::move(word));
        word.clear();
    };
    for (std::size_t i = 0; i < attribute.size(); ++i) {
        const char c = attribute[i];
        if (!is_alnum(c)) {
            flush();
            continue;
        }
        // "shareBar" -> share, bar; "HTMLBody" stays together up to the
        // last capital of a run.
        if (is_upper(c) && i > 0 && is_lower(attribute[i - 1]))
            flush();
        word += is_upper(c) ? static_cast<char>(c - 'A' + 'a') : c;
    }
    flush();
    return words;
}

ClassHints class_hints(const Document& document, NodeId id) {
    ClassHints hints;
    std::vector<std::string> words;
    // Component frameworks name their blocks in data attributes rather than
    // classes ("text-block", "links-block", "byline-block").
    for (const auto name : {"class", "id", "data-component", "data-testid"}) {
        if (const auto value = document.attribute(id, name)) {
            auto more = hint_words(*value);
            words.insert(words.end(), more.begin(), more.end());
            if (std::string_view(name) == "class")
                hints.hidden = hidden_tokens(*value);
        }
    }
    hints.boilerplate = boilerplate_words(words);
    for (const auto& word : words)
        hints.content = hints.content || listed(kContentWords, word);
    return hints;
}

}  // namespace papyr::extraction
