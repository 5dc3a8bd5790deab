#include "extraction/scoring.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "extraction/class_hints.h"

namespace papyr::extraction {
namespace {

constexpr std::uint32_t kMinParagraphChars = 25;

bool is_block_tag(std::string_view tag) {
    static constexpr std::array<std::string_view, 24> kBlocks = {
        "p",  "div", "section", "article", "main",   "blockquote", "pre",   "ul",
        "ol", "li",  "dl",      "table",   "h1",     "h2",         "h3",    "h4",
        "h5", "h6",  "figure",  "form",    "header", "footer",     "aside", "hr"};
    return std::find(kBlocks.begin(), kBlocks.end(), tag) != kBlocks.end();
}

bool has_block_child(const Document& document, NodeId id) {
    for (const NodeId child : document.node(id).children) {
        if (document.node(child).kind == NodeKind::Element &&
            is_block_tag(document.node(child).tag))
            return true;
    }
    return false;
}

// The blocks whose text counts: paragraphs, preformatted text and table
// cells, and the containers that hold text directly instead of in <p>.
bool is_scored_block(const Document& document, NodeId id) {
    const std::string_view tag = document.node(id).tag;
    if (tag == "p" || tag == "pre" || tag == "td")
        return true;
    if (tag == "div" || tag == "section" || tag == "article" || tag == "span" || tag == "li" ||
        tag == "blockquote" || tag == "font" || tag == "center")
        return !has_block_child(document, id);
    return false;
}

double tag_weight(std::string_view tag) {
    if (tag == "div" || tag == "article" || tag == "section" || tag == "main")
        return 5;
    if (tag == "pre" || tag == "td" || tag == "blockquote")
        return 3;
    if (tag == "address" || tag == "ol" || tag == "ul" || tag == "dl" || tag == "dd" ||
        tag == "dt" || tag == "li" || tag == "form")
        return -3;
    if (tag == "h1" || tag == "h2" || tag == "h3" || tag == "h4" || tag == "h5" || tag == "h6" ||
        tag == "th")
        return -5;
    return 0;
}

// Words that only often mean boilerplate (an ad slot, a paywall) weigh
// nothing here: the text below them decides.
double class_weight(const Document& document, NodeId id) {
    const ClassHints hints = class_hints(document, id);
    return (hints.content ? 25.0 : 0.0) - (hints.boilerplate ? 25.0 : 0.0);
}

struct Scores {
    std::vector<double> score;
    std::vector<bool> candidate;
};

double paragraph_points(std::uint32_t chars, std::uint32_t commas) {
    return 1.0 + commas + std::min(chars / 100U, 3U);
}

// A paragraph's points go to the element it stands in and, decreasingly, to
// the ancestors above.
void add_points(const Document& document, NodeId container, double points, Scores& scores) {
    NodeId ancestor = container;
    for (int level = 0; level < 5 && ancestor != kNoNode && ancestor != document.root();
         ++level, ancestor = document.node(ancestor).parent) {
        if (!scores.candidate[ancestor]) {
            scores.candidate[ancestor] = true;
            scores.score[ancestor] =
                tag_weight(document.node(ancestor).tag) + class_weight(document, ancestor);
        }
        const double share = level == 0 ? 1.0 : level == 1 ? 2.0 : level * 3.0;
        scores.score[ancestor] += points / share;
    }
}

struct LooseRun {
    std::uint32_t chars = 0;
    std::uint32_t commas = 0;
};

// The text and inline elements between the block children of a mixed
// container, cut at two <br> in a row: the paragraphs of pages that write
// their text straight into a <div> beside its pictures, polls and ad boxes.
// Each run is a paragraph of the container, as a <p> would be.
template <class Visit>
void for_each_loose_run(const Document& document, const RemovedMask& removed,
                        const TextStats& stats, NodeId container, Visit&& visit) {
    LooseRun run;
    int breaks = 0;
    const auto close = [&] {
        if (run.chars > 0)
            visit(run);
        run = {};
    };
    for (const NodeId child : document.node(container).children) {
        const Node& node = document.node(child);
        if (removed[child])
            continue;
        if (node.kind == NodeKind::Element && is_block_tag(node.tag)) {
            close();
            breaks = 0;
        } else if (node.kind == NodeKind::Element && node.tag == "br") {
            if (++breaks >= 2)
                close();
        } else if (stats.chars[child] > 0) {
            breaks = 0;
            run.chars += stats.chars[child];
            run.commas += stats.commas[child];
        }
    }
    close();
}

Scores score_blocks(const Document& document, const RemovedMask& removed, const TextStats& stats) {
    Scores scores{std::vector<double>(document.size(), 0.0),
                  std::vector<bool>(document.size(), false)};
    for (NodeId id = 1; id < document.size(); ++id) {
        const Node& node = document.node(id);
        if (removed[id] || node.kind != NodeKind::Element)
            continue;
        if (is_scored_block(document, id)) {
            if (stats.chars[id] >= kMinParagraphChars)
                add_points(document, node.parent,
                           paragraph_points(stats.chars[id], stats.commas[id]), scores);
            continue;
        }
        if (!has_block_child(document, id))
            continue;  // inline elements: their text counts in their block
        for_each_loose_run(document, removed, stats, id, [&](const LooseRun& run) {
            if (run.chars >= kMinParagraphChars)
                add_points(document, id, paragraph_points(run.chars, run.commas), scores);
        });
    }
    for (NodeId id = 1; id < document.size(); ++id) {
        if (scores.candidate[id])
            scores.score[id] *= 1.0 - stats.link_density(id);
    }
    return scores;
}

// Several strong candidates under one ancestor mean the article is split
// into boxes: the ancestor is the article.
NodeId widen_to_common_ancestor(const Document& document, const Scores& scores, NodeId top) {
    std::vector<NodeId> strong;
    for (NodeId id = 1; id < document.size(); ++id) {
        if (scores.candidate[id] && id != top && scores.score[id] >= 0.75 * scores.score[top])
            strong.push_back(id);
    }
    if (strong.size() < 3)
        return top;
    for (NodeId ancestor = document.node(top).parent;
         ancestor != kNoNode && ancestor != document.root() &&
         !document.is_element(ancestor, "body");
         ancestor = document.node(ancestor).parent) {
        std::size_t inside = 0;
        for (const NodeId id : strong)
            inside += document.contains(ancestor, id) && !document.contains(id, top) ? 1U : 0U;
        if (inside >= 3)
            return ancestor;
    }
    return top;
}

// A wrapper that holds nothing but the candidate says no more than it.
NodeId climb_single_child_wrappers(const Document& document, const RemovedMask& removed,
                                   NodeId top) {
    while (true) {
        const NodeId parent = document.node(top).parent;
        if (parent == kNoNode || parent == document.root() || document.is_element(parent, "body"))
            return top;
        std::size_t elements = 0;
        for (const NodeId child : document.node(parent).children) {
            if (!removed[child] && document.node(child).kind == NodeKind::Element)
                ++elements;
        }
        if (elements != 1)
            return top;
        top = parent;
    }
}

bool looks_like_more_text(const Document& document, const TextStats& stats, NodeId id) {
    if (!document.is_element(id, "p"))
        return false;
    const double density = stats.link_density(id);
    if (stats.chars[id] > 80)
        return density < 0.25;
    return density == 0.0 && stats.chars[id] > 0 &&
           document.raw_text(id).find(". ") != std::string::npos;
}

// A sibling whose paragraphs sit too deep to give it points, but which holds
// prose on the scale of the chosen container: the entries of a live blog
// after its introduction, the second half of a story after a video block.
bool holds_as_much_prose(const TextStats& stats, NodeId top, NodeId sibling) {
    const std::uint32_t own = stats.chars[sibling] - stats.link_chars[sibling];
    const std::uint32_t chosen = stats.chars[top] - stats.link_chars[top];
    return own >= 200 && own * 10 >= chosen * 3 && stats.link_density(sibling) < 0.25;
}

// The same tag and the same class names: how a page writes each part of
// one article.
bool same_signature(const Document& document, NodeId a, NodeId b) {
    const auto classes = document.attribute(a, "class");
    return classes && classes->find_first_not_of(" \t\n") != std::string_view::npos &&
           same_kind_of_element(document, a, b);
}

bool holds_more_text(const TextStats& stats, NodeId id) {
    return stats.chars[id] - stats.link_chars[id] >= 80 && stats.link_density(id) < 0.25;
}

// How far above the chosen container the parts of a split article are
// looked for: its parent's parent, so that a part inside a wrapper of its
// own (a grid row beside an aside) is found as well as a sibling.
constexpr int kCousinLevels = 2;

// The article continued in containers like the chosen one, between which
// the page put an ad row, a figure or a box: each with text of its own,
// added in page order.
void add_cousins(const Document& document, const RemovedMask& removed, const TextStats& stats,
                 NodeId top, std::vector<NodeId>& chosen) {
    NodeId scope = top;
    for (int level = 0; level < kCousinLevels; ++level) {
        const NodeId parent = document.node(scope).parent;
        if (parent == kNoNode || parent == document.root() || document.is_element(parent, "body"))
            break;
        scope = parent;
    }
    // A page that runs on into the next story repeats its layout, in an
    // <article> of its own: that is another article, not a part of this one.
    const NodeId article = enclosing_article(document, top);
    document.for_each_descendant(scope, [&](NodeId id) {
        if (removed[id] || id == top || document.node(id).kind != NodeKind::Element ||
            !same_signature(document, top, id) || !holds_more_text(stats, id) ||
            enclosing_article(document, id) != article)
            return;
        for (const NodeId have : chosen) {
            if (document.contains(have, id) || document.contains(id, have))
                return;
        }
        chosen.push_back(id);
    });
    std::sort(chosen.begin(), chosen.end());
}

// The chosen container and those of its siblings that look like more of the
// same article, in page order.
std::vector<NodeId> with_siblings(const Document& document, const RemovedMask& removed,
                                  const TextStats& stats, const Scores& scores, NodeId top) {
    const double threshold = std::max(10.0, scores.score[top] * 0.2);
    const auto top_class = document.attribute(top, "class");
    std::vector<NodeId> chosen;
    for (const NodeId sibling : document.node(document.node(top).parent).children) {
        if (removed[sibling] || document.node(sibling).kind != NodeKind::Element)
            continue;
        if (sibling == top) {
            chosen.push_back(sibling);
            continue;
        }
        double bonus = 0;
        if (top_class && !top_class->empty() && document.attribute(sibling, "class") == top_class)
            bonus = scores.score[top] * 0.2;
        if ((scores.candidate[sibling] && scores.score[sibling] + bonus >= threshold) ||
            looks_like_more_text(document, stats, sibling) ||
            holds_as_much_prose(stats, top, sibling))
            chosen.push_back(sibling);
    }
    return chosen;
}

}  // namespace

NodeId enclosing_article(const Document& document, NodeId id) {
    for (NodeId at = id; at != kNoNode; at = document.node(at).parent) {
        if (document.is_element(at, "article"))
            return at;
    }
    return kNoNode;
}

std::vector<NodeId> find_main_content(const Document& document, const RemovedMask& removed,
                                      const TextStats& stats) {
    const Scores scores = score_blocks(document, removed, stats);
    NodeId top = kNoNode;
    for (NodeId id = 1; id < document.size(); ++id) {
        if (scores.candidate[id] && (top == kNoNode || scores.score[id] > scores.score[top]))
            top = id;
    }
    if (top == kNoNode)
        return {};
    top = widen_to_common_ancestor(document, scores, top);
    top = climb_single_child_wrappers(document, removed, top);
    const NodeId parent = document.node(top).parent;
    if (parent == kNoNode || parent == document.root())
        return {top};
    std::vector<NodeId> chosen = with_siblings(document, removed, stats, scores, top);
    add_cousins(document, removed, stats, top, chosen);
    return chosen;
}

}  // namespace papyr::extraction
