#include "extraction/content.h"

#include <algorithm>
#include <array>

#include "extraction/html.h"
#include "extraction/scoring.h"

namespace papyr::extraction {
namespace {

// Below this much text a generic candidate is no article body.
constexpr std::size_t kSmallBody = 250;

// Containers that content management systems name as the article body,
// most specific first.
constexpr std::array<std::string_view, 23> kBodyContainers = {
    "[itemprop=articleBody]",
    ".article-body",
    ".article__body",
    ".articleBody",
    ".article-content",
    ".article__content",
    ".story-body",
    ".story-content",
    ".post-content",
    ".post-body",
    ".post__content",
    ".entry-content",
    ".entry-body",
    ".td-post-content",
    ".c-entry-content",
    ".field-name-body",
    ".rich-text",
    ".content-body",
    ".article-text",
    ".single-content",
    "#article-body",
    "#articleBody",
    "#story-body",
};

std::size_t total_chars(const std::vector<Block>& blocks) {
    std::size_t chars = 0;
    for (const auto& block : blocks)
        chars += block.chars - block.link_chars;
    return chars;
}

std::vector<Block> rule_body(const Document& document, const RuleMatch& rules) {
    RemovedMask removed = prune_boilerplate(document, Pruning::Plain);
    remove_subtrees(document, rules.removed, removed);
    std::vector<NodeId> consumed;
    for (const NodeId id : rules.consumed) {
        bool holds_body = false;
        for (const NodeId root : rules.body)
            holds_body = holds_body || document.contains(id, root);
        if (!holds_body)
            consumed.push_back(id);
    }
    remove_subtrees(document, consumed, removed);
    return collect_blocks(document, rules.body, removed);
}

// The named container with the most text; when the page names several
// (a split body: text-block after text-block) and the best of them holds
// little of their sum, their common parent holds the article.
std::vector<Block> markup_body(const Document& document, const RemovedMask& removed,
                               const TextStats& stats) {
    static const std::vector<Selector> selectors = [] {
        std::vector<Selector> compiled;
        for (const auto text : kBodyContainers)
            compiled.push_back(*parse_selector(text));
        return compiled;
    }();
    for (const auto& selector : selectors) {
        std::vector<NodeId> found;
        for (const NodeId id : select_all(document, document.root(), selector)) {
            if (!removed[id] && stats.chars[id] > 0 &&
                (found.empty() || !document.contains(found.back(), id)))
                found.push_back(id);
        }
        if (found.empty())
            continue;
        std::size_t sum = 0;
        NodeId best = found.front();
        for (const NodeId id : found) {
            sum += stats.chars[id];
            best = stats.chars[id] > stats.chars[best] ? id : best;
        }
        std::vector<NodeId> roots{best};
        if (stats.chars[best] * 2 < sum)
            roots = found;  // every part, in page order
        auto blocks = collect_blocks(document, roots, removed);
        if (total_chars(blocks) >= kSmallBody)
            return blocks;
    }
    return {};
}

// The outermost <article> elements at or below the roots.
std::vector<NodeId> articles_in(const Document& document, const std::vector<NodeId>& roots) {
    std::vector<NodeId> articles;
    const auto visit = [&](NodeId id) {
        if (!document.is_element(id, "article"))
            return;
        for (const NodeId have : articles) {
            if (document.contains(have, id))
                return;
        }
        articles.push_back(id);
    };
    for (const NodeId root : roots) {
        visit(root);
        document.for_each_descendant(root, visit);
    }
    return articles;
}

// The headline is looked for in the whole article, its pruned header too.
bool holds_headline(const Document& document, NodeId article, const std::string& headline) {
    bool found = false;
    document.for_each_descendant(article, [&](NodeId id) {
        if (found || !(document.is_element(id, "h1") || document.is_element(id, "h2")))
            return;
        const std::string text = comparable_text(document.raw_text(id));
        found = count_words(text) >= 2 && headline.find(text) != std::string::npos;
    });
    return found;
}

// A page that runs on into further stories (the next article loaded under
// this one, often longer) has several <article> elements: the page's own
// story is the one that holds its headline. When scoring chose text in
// other articles, or across several, and one with text enough holds the
// headline, that one is the body; text outside every article stays chosen.
std::vector<NodeId> page_story(const Document& document, const TextStats& stats,
                               std::vector<NodeId> roots, const Metadata& metadata) {
    const std::vector<NodeId> articles = articles_in(document, {document.root()});
    if (articles.size() < 2 || roots.empty())
        return roots;
    const std::string headline =
        comparable_text(metadata.title.empty() ? metadata.document_title : metadata.title);
    for (const NodeId article : articles) {
        if (stats.chars[article] - stats.link_chars[article] < kSmallBody ||
            !holds_headline(document, article, headline))
            continue;
        const bool elsewhere = std::any_of(roots.begin(), roots.end(), [&](NodeId root) {
            return !document.contains(article, root) &&
                   (enclosing_article(document, root) != kNoNode ||
                    !articles_in(document, {root}).empty());
        });
        return elsewhere ? std::vector<NodeId>{article} : roots;
    }
    return roots;
}

std::vector<Block> scored_body(const Document& document, const RemovedMask& removed) {
    const TextStats stats = measure_text(document, removed);
    return collect_blocks(document, find_main_content(document, removed, stats), removed);
}

std::vector<Block> structured_body(const Metadata& metadata) {
    std::vector<Block> blocks;
    std::size_t start = 0;
    const std::string& body = metadata.body;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos)
            end = body.size();
        Block block;
        block.text = normalise_text(std::string_view(body).substr(start, end - start));
        block.chars = text_length(block.text);
        if (!block.text.empty())
            blocks.push_back(std::move(block));
        start = end + 1;
    }
    return blocks;
}

}  // namespace

BodyChoice choose_body(const Document& document, const RuleMatch* rules, const Metadata& metadata) {
    if (rules != nullptr && !rules->body.empty()) {
        auto blocks = rule_body(document, *rules);
        if (!blocks.empty())
            return {std::move(blocks), BodyOrigin::Rules};
    }
    const RemovedMask removed = prune_boilerplate(document, Pruning::Full);
    const TextStats stats = measure_text(document, removed);
    auto scored = collect_blocks(
        document,
        page_story(document, stats, find_main_content(document, removed, stats), metadata),
        removed);
    auto named = markup_body(document, removed, stats);
    BodyChoice choice;
    if (!named.empty() && total_chars(named) * 10 >= total_chars(scored) * 6)
        choice = {std::move(named), BodyOrigin::Markup};
    else if (!scored.empty())
        choice = {std::move(scored), BodyOrigin::Scoring};
    if (total_chars(choice.blocks) < kSmallBody) {
        auto plain = scored_body(document, prune_boilerplate(document, Pruning::Plain));
        if (total_chars(plain) > total_chars(choice.blocks) * 2)
            choice = {std::move(plain), BodyOrigin::Scoring};
    }
    if (choice.blocks.empty() && !metadata.body.empty())
        choice = {structured_body(metadata), BodyOrigin::StructuredData};
    // A page of short lines only (no block long enough to score): its
    // whole pruned text.
    if (choice.blocks.empty())
        choice = {collect_blocks(document, {document.root()}, removed), BodyOrigin::Scoring};
    return choice;
}

}  // namespace papyr::extraction
