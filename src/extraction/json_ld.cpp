// Tolerant reading of JSON-LD scripts around the strict JSON parser: the
// script text is cleaned of what pages get wrong, then each top-level value
// is parsed on its own.

#include <string_view>

#include "extraction/html.h"
#include "extraction/metadata.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n\f");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n\f");
    return text.substr(first, last - first + 1);
}

// "<!-- … -->", "<![CDATA[ … ]]>", "//<![CDATA[ … //]]>", "/*<![CDATA[*/ … /*]]>*/".
std::string_view unwrap(std::string_view text) {
    bool changed = true;
    while (changed) {
        changed = false;
        text = trim(text);
        for (const auto& [open, close] :
             {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
              {"<![CDATA[", "]]>"},
              {"//<![CDATA[", "//]]>"},
              {"/*<![CDATA[*/", "/*]]>*/"}}) {
            if (text.substr(0, open.size()) == open) {
                text.remove_prefix(open.size());
                changed = true;
            }
            const auto trimmed = trim(text);
            if (trimmed.size() >= close.size() &&
                trimmed.substr(trimmed.size() - close.size()) == close) {
                text = trimmed.substr(0, trimmed.size() - close.size());
                changed = true;
            }
        }
    }
    return text;
}

// Control characters inside strings become escapes; commas before a closing
// bracket go. Then the text is cut into its top-level values.
std::vector<std::string> clean_and_split(std::string_view text) {
    std::vector<std::string> values;
    std::string current;
    bool in_string = false;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\' && i + 1 < text.size()) {
                current += c;
                current += text[++i];
                continue;
            }
            if (c == '"')
                in_string = false;
            if (static_cast<unsigned char>(c) < 0x20) {
                current += c == '\n' ? "\\n" : c == '\t' ? "\\t" : " ";
                continue;
            }
            current += c;
            continue;
        }
        if (c == '"') {
            in_string = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            const auto last = current.find_last_not_of(" \t\r\n");
            if (last != std::string::npos && current[last] == ',')
                current.erase(last, 1);
            --depth;
        } else if (depth == 0 && (c == ';' || c == ',')) {
            continue;  // between documents
        }
        current += c;
        if (depth <= 0 && (c == '}' || c == ']')) {
            values.push_back(std::move(current));
            current.clear();
            depth = 0;
        }
    }
    if (!trim(current).empty())
        values.push_back(std::move(current));
    return values;
}

const std::string* string_member(const json::Value& value, std::string_view key) {
    const json::Value* member = value.find(key);
    return member == nullptr ? nullptr : member->as_string();
}

// "@type" as one string or a list of them.
bool has_type(const json::Value& value, bool (*wanted)(std::string_view)) {
    const json::Value* type = value.find("@type");
    if (type == nullptr)
        return false;
    if (const auto* name = type->as_string())
        return wanted(*name);
    if (const auto* names = type->as_array()) {
        for (const auto& name : *names) {
            if (const auto* text = name.as_string(); text != nullptr && wanted(*text))
                return true;
        }
    }
    return false;
}

bool is_article_type(std::string_view type) {
    // schema.org's Article and the kinds news pages use.
    static constexpr std::string_view kTypes[] = {"Article",
                                                  "NewsArticle",
                                                  "ReportageNewsArticle",
                                                  "AnalysisNewsArticle",
                                                  "OpinionNewsArticle",
                                                  "ReviewNewsArticle",
                                                  "BackgroundNewsArticle",
                                                  "BlogPosting",
                                                  "LiveBlogPosting",
                                                  "TechArticle",
                                                  "ScholarlyArticle",
                                                  "SocialMediaPosting",
                                                  "Report",
                                                  "SatiricalArticle",
                                                  "AdvertiserContentArticle",
                                                  "WebPage",
                                                  "ArticlePage"};
    for (const auto name : kTypes) {
        if (type == name)
            return true;
    }
    return false;
}

bool is_person(std::string_view type) {
    return type == "Person";
}

bool is_page_type(std::string_view type) {
    return type == "WebPage" || type == "ArticlePage";
}

// The article among the documents: a node of an article type, found
// breadth-first through arrays, @graph and mainEntity(OfPage); a page type
// only when no real article is there.
const json::Value* find_article(const std::vector<json::Value>& documents) {
    std::vector<const json::Value*> queue;
    for (const auto& document : documents)
        queue.push_back(&document);
    const json::Value* page = nullptr;
    for (std::size_t i = 0; i < queue.size() && i < 2000; ++i) {
        const json::Value& value = *queue[i];
        if (const auto* items = value.as_array()) {
            for (const auto& item : *items)
                queue.push_back(&item);
            continue;
        }
        if (value.as_object() == nullptr)
            continue;
        if (has_type(value, is_article_type)) {
            if (!has_type(value, is_page_type))
                return &value;
            if (page == nullptr)
                page = &value;
        }
        for (const auto key : {"@graph", "mainEntity", "mainEntityOfPage"}) {
            if (const json::Value* inner = value.find(key))
                queue.push_back(inner);
        }
    }
    return page;
}

std::string text_of(const json::Value* value) {
    if (value == nullptr)
        return {};
    if (const auto* text = value->as_string())
        return normalise_text(*text);
    if (const auto* items = value->as_array(); items != nullptr && !items->empty())
        return text_of(&items->front());
    return {};
}

void add_author(const json::Value& value, Metadata& metadata) {
    if (const auto* items = value.as_array()) {
        for (const auto& item : *items)
            add_author(item, metadata);
        return;
    }
    std::string name = value.as_string() != nullptr ? clean_author(*value.as_string())
                                                    : clean_author(text_of(value.find("name")));
    if (name.empty())
        return;
    const bool organisation = value.as_object() != nullptr && !has_type(value, is_person) &&
                              value.find("@type") != nullptr;
    (organisation ? metadata.organisations : metadata.authors).push_back(std::move(name));
}

}  // namespace

std::vector<json::Value> parse_json_ld(std::string_view script) {
    std::vector<json::Value> documents;
    for (const auto& piece : clean_and_split(unwrap(script))) {
        if (auto value = json::parse_value(piece))
            documents.push_back(std::move(*value));
    }
    return documents;
}

Metadata read_json_ld(const std::vector<json::Value>& documents, int default_offset_minutes) {
    Metadata metadata;
    const json::Value* article = find_article(documents);
    if (article == nullptr)
        return metadata;
    metadata.title = text_of(article->find("headline"));
    if (metadata.title.empty())
        metadata.title = text_of(article->find("name"));
    metadata.description = text_of(article->find("description"));
    if (const json::Value* author = article->find("author"))
        add_author(*author, metadata);
    for (const auto key : {"datePublished", "dateCreated", "uploadDate"}) {
        if (const auto* date = string_member(*article, key)) {
            metadata.published = parse_pub_date(*date, default_offset_minutes);
            if (metadata.published)
                break;
        }
    }
    if (const json::Value* publisher = article->find("publisher"))
        metadata.site_name = text_of(publisher->find("name"));
    if (const json::Value* type = article->find("@type"))
        metadata.kind = text_of(type);
    metadata.body = text_of(article->find("articleBody"));
    return metadata;
}

}  // namespace papyr::extraction
