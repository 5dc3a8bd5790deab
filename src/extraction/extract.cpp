// A first extraction, enough for the news service to answer article requests:
// the title from the first h1 (or the document title), the lead from the
// page's description, the text of every paragraph as the body.

#include "extraction/extract.h"

#include <gumbo.h>

#include <memory>

namespace papyr::extraction {
namespace {

constexpr std::string_view kNoArticleText = "Không tìm thấy nội dung bài viết";

using Output = std::unique_ptr<GumboOutput, void (*)(GumboOutput*)>;

Output parse_html(std::string_view bytes) {
    return Output(gumbo_parse_with_options(&kGumboDefaultOptions, bytes.data(), bytes.size()),
                  [](GumboOutput* output) { gumbo_destroy_output(&kGumboDefaultOptions, output); });
}

void append_text(const GumboNode* node, std::string& out) {
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
        node->type == GUMBO_NODE_CDATA) {
        out += node->v.text.text;
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT)
        return;
    const GumboTag tag = node->v.element.tag;
    if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE)
        return;
    if (tag == GUMBO_TAG_BR)
        out += ' ';
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        append_text(static_cast<const GumboNode*>(children.data[i]), out);
}

std::string collapse_spaces(std::string_view text) {
    std::string out;
    bool space = false;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

struct Found {
    std::string title;
    std::string document_title;
    std::string description;
    std::vector<std::string> paragraphs;
};

void walk(const GumboNode* node, Found& found) {
    if (node->type != GUMBO_NODE_ELEMENT)
        return;
    const GumboElement& element = node->v.element;
    if (element.tag == GUMBO_TAG_H1 || element.tag == GUMBO_TAG_TITLE ||
        element.tag == GUMBO_TAG_P) {
        std::string text;
        append_text(node, text);
        text = collapse_spaces(text);
        if (element.tag == GUMBO_TAG_H1 && found.title.empty())
            found.title = text;
        else if (element.tag == GUMBO_TAG_TITLE && found.document_title.empty())
            found.document_title = text;
        else if (element.tag == GUMBO_TAG_P && !text.empty())
            found.paragraphs.push_back(text);
        return;
    }
    if (element.tag == GUMBO_TAG_META && found.description.empty()) {
        const GumboAttribute* name = gumbo_get_attribute(&element.attributes, "name");
        const GumboAttribute* content = gumbo_get_attribute(&element.attributes, "content");
        if (name != nullptr && content != nullptr && std::string_view(name->value) == "description")
            found.description = collapse_spaces(content->value);
    }
    for (unsigned i = 0; i < element.children.length; ++i)
        walk(static_cast<const GumboNode*>(element.children.data[i]), found);
}

std::uint64_t count_words(std::string_view text) {
    std::uint64_t words = 0;
    bool in_word = false;
    for (const char c : text) {
        const bool space = c == ' ';
        if (!space && !in_word)
            ++words;
        in_word = !space;
    }
    return words;
}

}  // namespace

Result<SiteRules> parse_site_rules(const json::Value& value) {
    if (value.as_object() == nullptr)
        return fail(std::string("must be an object, found ") + std::string(value.kind_name()));
    return SiteRules{};
}

Result<ArticleDetail> extract_article(const Page& page) {
    const Output output = parse_html(page.bytes);
    Found found;
    walk(output->root, found);
    if (found.paragraphs.empty())
        return fail(std::string(kNoArticleText));

    ArticleDetail article;
    article.url = std::string(page.url);
    article.source = std::string(page.source_name);
    article.title = found.title.empty() ? found.document_title : found.title;
    article.lead = found.description;
    article.paragraphs = std::move(found.paragraphs);
    article.word_count = count_words(article.lead);
    for (const auto& paragraph : article.paragraphs)
        article.word_count += count_words(paragraph);
    article.reading_time_minutes = (article.word_count + 199) / 200;
    return article;
}

}  // namespace papyr::extraction
