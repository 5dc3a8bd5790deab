#pragma once

// The small CSS selector language of the publishers' rules: type selectors
// and "*", ".class" (a class token, not a substring of the attribute), "#id",
// attribute tests ([a], [a=v], [a~=v], [a|=v], [a^=v], [a$=v], [a*=v], with
// quoted or bare values and an optional " i" for case-insensitive values),
// :first-child, :last-child, :only-child and :not(compound), descendant
// (space) and child (">") combinators, and lists (",").

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "html/html_tree.h"

namespace papyr::html {

struct AttributeTest {
    enum class Op { Exists, Equals, Includes, DashMatch, Prefix, Suffix, Substring };
    std::string name;
    Op op = Op::Exists;
    std::string value;
    bool ignore_case = false;

    bool operator==(const AttributeTest&) const = default;
};

struct Compound {
    enum class Position { Any, FirstChild, LastChild, OnlyChild };
    std::string tag;  // empty: any element
    std::vector<std::string> classes;
    std::vector<std::string> ids;
    std::vector<AttributeTest> attributes;
    std::vector<Position> positions;
    std::vector<Compound> negations;

    bool operator==(const Compound&) const = default;
};

// Compounds from left to right; combinators[i] joins compounds[i] and
// compounds[i + 1]: '>' for child, ' ' for descendant.
struct ComplexSelector {
    std::vector<Compound> compounds;
    std::vector<char> combinators;

    bool operator==(const ComplexSelector&) const = default;
};

struct Selector {
    std::vector<ComplexSelector> alternatives;

    bool operator==(const Selector&) const = default;
};

// Fails with a message that names the problem and its position, such as
// "unclosed [ at 5" or "unsupported pseudo-class :hover".
[[nodiscard]] Result<Selector> parse_selector(std::string_view text);

[[nodiscard]] bool matches(const Document& document, NodeId id, const Selector& selector);

// The elements below `scope` that match, in document order.
[[nodiscard]] std::vector<NodeId> select_all(const Document& document, NodeId scope,
                                             const Selector& selector);

// The first of them, or kNoNode.
[[nodiscard]] NodeId select_first(const Document& document, NodeId scope, const Selector& selector);

}  // namespace papyr::html
