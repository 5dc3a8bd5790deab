#include "extraction/class_hints.h"

#include <algorithm>
#include <array>

namespace papyr::extraction {
namespace {

// Whole words that mark boilerplate wherever they stand: these boxes are
// never the article, however much text they hold (comment threads and
// cookie notices can be longer than the article).
constexpr std::array<std::string_view, 64> kBoilerplateWords = {
    "advert",     "adverts",     "advertisement", "advertising", "breadcrumb",  "breadcrumbs",
    "byline",     "caption",     "comment",       "comments",    "consent",     "cookie",
    "cookies",    "credit",      "credits",       "disqus",      "donate",      "donation",
    "footer",     "gdpr",        "menu",          "nav",         "navbar",      "navigation",
    "newsletter", "newsletters", "outbrain",      "taboola",     "pagination",  "pager",
    "popup",      "modal",       "overlay",       "promo",       "promos",      "promotion",
    "promoted",   "recirc",      "recirculation", "recommend",   "recommended", "recommendations",
    "related",    "relate",      "share",         "shares",      "sharing",     "sharebar",
    "signup",     "signin",      "login",         "subscribe",   "sponsor",     "sponsored",
    "sidebar",    "toolbar",     "trending",      "popular",     "mostread",    "author",
    "bio",        "xemthem",     "tinlienquan",   "lienquan",
};

// Words that name what usually wraps boilerplate but also wraps article
// text: an ad slot, a paywall around the rest of a delivered article, a
// widget or video wrapper around an embedded post, a slideshow whose
// slides are the article. They count only for blocks that look like
// boilerplate themselves.
constexpr std::array<std::string_view, 32> kIncidentalWords = {
    "ad",       "ads",     "adv",          "adsense",   "adslot",   "banner",    "header",
    "masthead", "paywall", "subscription", "social",    "sns",      "widget",    "widgets",
    "meta",     "tag",     "tags",         "date",      "dateline", "timestamp", "skip",
    "dropdown", "rating",  "poll",         "print",     "toc",      "gallery",   "slideshow",
    "carousel", "video",   "player",       "thumbnail",
};

// Word stems that mark boilerplate when a word starts with them, for names
// written as one word ("relatedposts", "commentlist", "sharethis").
constexpr std::array<std::string_view, 20> kBoilerplateStems = {
    "related",    "share",    "comment",    "newsletter", "advert",   "sponsor", "promo",
    "cookie",     "consent",  "breadcrumb", "sidebar",    "footer",   "navbar",  "navigation",
    "pagination", "outbrain", "taboola",    "recommend",  "trending", "disqus",
};

constexpr std::array<std::string_view, 2> kIncidentalStems = {"social", "subscri"};

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

template <std::size_t N>
bool has_stem(const std::array<std::string_view, N>& stems, std::string_view word) {
    if (word.size() <= 6)
        return false;
    for (const auto stem : stems) {
        if (word.substr(0, stem.size()) == stem)
            return true;
    }
    return false;
}

bool incidental_words(const std::vector<std::string>& words) {
    for (const auto& word : words) {
        if (listed(kIncidentalWords, word) || has_stem(kIncidentalStems, word))
            return true;
    }
    return false;
}

bool boilerplate_words(const std::vector<std::string>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (listed(kBoilerplateWords, word) || has_stem(kBoilerplateStems, word))
            return true;
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
    for (const auto& word : words) {
        hints.gated = hints.gated || word == "paywall" || word == "paywalled" || word == "premium";
        hints.gallery =
            hints.gallery || word == "gallery" || word == "slideshow" || word == "carousel";
    }
    hints.incidental = !hints.boilerplate && incidental_words(words);
    for (const auto& word : words)
        hints.content = hints.content || listed(kContentWords, word);
    return hints;
}

bool same_kind_of_element(const Document& document, NodeId a, NodeId b) {
    return document.node(a).tag == document.node(b).tag &&
           document.attribute(a, "class") == document.attribute(b, "class");
}

}  // namespace papyr::extraction
