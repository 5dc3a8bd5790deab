#include "extraction/assemble.h"

#include <array>

#include "base/url.h"
#include "extraction/html.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

std::string first_visible_h1(const Document& document) {
    std::string text;
    document.for_each_descendant(document.root(), [&](NodeId id) {
        if (text.empty() && document.is_element(id, "h1"))
            text = normalise_text(document.raw_text(id));
    });
    return text;
}

// The byline as the page shows it, for pages whose metadata names nobody.
std::vector<std::string> visible_byline(const Document& document) {
    static const std::vector<Selector> selectors = [] {
        std::vector<Selector> compiled;
        for (const auto text : {"a[rel=author]", "[rel=author]", ".byline__name", ".author-name",
                                ".byline a", ".byline", ".author a", ".author"})
            compiled.push_back(*parse_selector(text));
        return compiled;
    }();
    for (const auto& selector : selectors) {
        std::vector<std::string> names;
        for (const NodeId id : select_all(document, document.root(), selector)) {
            std::string name = clean_author(document.raw_text(id));
            bool known = false;
            for (const auto& have : names)
                known = known || have == name;
            if (!name.empty() && !known)
                names.push_back(std::move(name));
        }
        if (!names.empty())
            return names;
    }
    return {};
}

std::optional<std::int64_t> visible_date(const Document& document, int default_offset_minutes) {
    std::optional<std::int64_t> found;
    document.for_each_descendant(document.root(), [&](NodeId id) {
        if (found || !document.is_element(id, "time"))
            return;
        if (const auto value = document.attribute(id, "datetime"))
            found = parse_pub_date(*value, default_offset_minutes);
    });
    return found;
}

std::string site_from_url(std::string_view url) {
    const auto parsed = parse_url(url);
    if (!parsed)
        return {};
    std::string host = parsed->host;
    if (host.rfind("www.", 0) == 0)
        host.erase(0, 4);
    return host;
}

std::string join(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out;
}

// A summary that the body already says: a paragraph of it (sites often
// make the first paragraph their description), or the start of the first
// one (a description cut short, often with "..."). The body keeps its
// paragraph and the lead goes, so that nothing is shown twice.
bool repeats_body(const std::string& lead, const std::vector<Block>& blocks) {
    const std::string wanted = comparable_text(lead);
    if (wanted.empty() || blocks.empty())
        return false;
    const std::string first = comparable_text(blocks.front().text);
    if (first.compare(0, wanted.size(), wanted) == 0)
        return true;
    for (const auto& block : blocks) {
        if (comparable_text(block.text) == wanted)
            return true;
    }
    return false;
}

}  // namespace

std::string strip_site_name(std::string_view title, std::string_view site_name) {
    static constexpr std::array<std::string_view, 5> kSeparators = {" | ", " - ", " – ", " — ",
                                                                    " :: "};
    const std::string site = comparable_text(site_name);
    for (const auto separator : kSeparators) {
        const std::size_t at = title.rfind(separator);
        if (at == std::string_view::npos || at == 0)
            continue;
        const std::string_view tail = title.substr(at + separator.size());
        const std::string comparable_tail = comparable_text(tail);
        const bool names_site =
            (!site.empty() &&
             (comparable_tail == site || comparable_tail.find(site) != std::string::npos ||
              site.find(comparable_tail) == 0)) ||
            tail.find('.') != std::string_view::npos;
        if (names_site && !comparable_tail.empty())
            return std::string(title.substr(0, at));
    }
    return std::string(title);
}

ArticleParts find_parts(const Page& page, const Document& document, const Metadata& metadata,
                        const RuleMatch* rules) {
    ArticleParts parts;
    const int offset = page.default_utc_offset_minutes;
    parts.source = !page.source_name.empty()     ? std::string(page.source_name)
                   : !metadata.site_name.empty() ? metadata.site_name
                                                 : site_from_url(page.url);

    parts.title = rules != nullptr ? rules->title : std::string();
    if (parts.title.empty()) {
        const std::string_view site = metadata.site_name.empty()
                                          ? std::string_view(parts.source)
                                          : std::string_view(metadata.site_name);
        parts.title = strip_site_name(metadata.title, site);
        // The visible headline, when the metadata has none or its title is
        // the headline with more around it.
        const std::string h1 = first_visible_h1(document);
        const std::string comparable_h1 = comparable_text(h1);
        if (!comparable_h1.empty() &&
            (parts.title.empty() ||
             (comparable_text(parts.title).find(comparable_h1) != std::string::npos &&
              count_words(h1) >= 2)))
            parts.title = h1;
        if (parts.title.empty())
            parts.title = strip_site_name(metadata.document_title, site);
    }

    parts.lead = rules != nullptr ? rules->lead : std::string();
    if (parts.lead.empty())
        parts.lead = metadata.description;

    if (rules != nullptr)
        parts.authors = rules->authors;
    if (parts.authors.empty())
        parts.authors = metadata.authors;
    if (parts.authors.empty())
        parts.authors = visible_byline(document);
    if (parts.authors.empty())
        parts.authors = metadata.organisations;

    if (rules != nullptr)
        parts.published = rules->published;
    if (!parts.published)
        parts.published = metadata.published;
    if (!parts.published)
        parts.published = visible_date(document, offset);
    return parts;
}

ArticleDetail assemble_article(const Page& page, ArticleParts parts,
                               const std::vector<Block>& blocks) {
    ArticleDetail article;
    article.url = std::string(page.url);
    article.source = std::move(parts.source);
    article.title = std::move(parts.title);
    article.lead = repeats_body(parts.lead, blocks) ? std::string() : std::move(parts.lead);
    if (!parts.authors.empty())
        article.author = join(parts.authors);
    if (parts.published)
        article.pub_date = format_vietnam_time(*parts.published);
    for (const auto& block : blocks)
        article.paragraphs.push_back(block.text);
    article.word_count = count_words(article.lead);
    for (const auto& paragraph : article.paragraphs)
        article.word_count += count_words(paragraph);
    article.reading_time_minutes = reading_minutes(article.word_count);
    return article;
}

}  // namespace papyr::extraction
