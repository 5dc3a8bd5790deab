#include "html/selector.h"

#include "html/text.h"

namespace papyr::html {
namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = lower(c);
    return out;
}

bool is_name_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    Result<Selector> parse() {
        Selector selector;
        while (true) {
            skip_spaces();
            auto complex = parse_complex();
            if (!complex)
                return fail(std::move(complex).error());
            selector.alternatives.push_back(std::move(*complex));
            skip_spaces();
            if (done())
                return selector;
            if (peek() != ',')
                return problem(concat({"unexpected ", quoted_character()}));
            ++pos_;
        }
    }

  private:
    bool done() const { return pos_ >= text_.size(); }
    char peek() const { return done() ? '\0' : text_[pos_]; }
    void skip_spaces() {
        while (!done() && is_space(peek()))
            ++pos_;
    }
    Failure problem(const std::string& what) const {
        return fail(concat({what, " at ", std::to_string(pos_ + 1)}));
    }
    std::string quoted_character() const {
        return done() ? std::string("end") : concat({"'", text_.substr(pos_, 1), "'"});
    }

    std::string name() {
        const std::size_t start = pos_;
        while (!done() && (is_name_character(peek()) || peek() == '\\')) {
            if (peek() == '\\' && pos_ + 1 < text_.size())
                ++pos_;
            ++pos_;
        }
        std::string out;
        for (std::size_t i = start; i < pos_; ++i) {
            if (text_[i] == '\\' && i + 1 < pos_)
                ++i;
            out += text_[i];
        }
        return out;
    }

    Result<ComplexSelector> parse_complex() {
        ComplexSelector complex;
        while (true) {
            auto compound = parse_compound();
            if (!compound)
                return fail(std::move(compound).error());
            complex.compounds.push_back(std::move(*compound));
            const std::size_t before = pos_;
            skip_spaces();
            if (done() || peek() == ',' || peek() == ')')
                return complex;
            char combinator = ' ';
            if (peek() == '>') {
                combinator = '>';
                ++pos_;
                skip_spaces();
            } else if (peek() == '+' || peek() == '~') {
                return problem(concat({"unsupported combinator '", text_.substr(pos_, 1), "'"}));
            } else if (pos_ == before) {
                return problem(concat({"unexpected ", quoted_character()}));
            }
            complex.combinators.push_back(combinator);
        }
    }

    Result<Compound> parse_compound() {
        Compound compound;
        bool empty = true;
        if (peek() == '*') {
            ++pos_;
            empty = false;
        } else if (is_name_character(peek())) {
            compound.tag = lowered(name());
            empty = false;
        }
        while (!done()) {
            const char c = peek();
            if (c == '.' || c == '#') {
                ++pos_;
                std::string value = name();
                if (value.empty())
                    return problem(
                        concat({"expected a name after '", std::string_view(&c, 1), "'"}));
                (c == '.' ? compound.classes : compound.ids).push_back(std::move(value));
            } else if (c == '[') {
                auto test = parse_attribute();
                if (!test)
                    return fail(std::move(test).error());
                compound.attributes.push_back(std::move(*test));
            } else if (c == ':') {
                auto ok = parse_pseudo(compound);
                if (!ok)
                    return fail(ok.error());
            } else {
                break;
            }
            empty = false;
        }
        if (empty)
            return problem(concat({"expected a selector, found ", quoted_character()}));
        return compound;
    }

    Result<void> parse_pseudo(Compound& compound) {
        ++pos_;
        const std::string pseudo = lowered(name());
        if (pseudo == "first-child")
            compound.positions.push_back(Compound::Position::FirstChild);
        else if (pseudo == "last-child")
            compound.positions.push_back(Compound::Position::LastChild);
        else if (pseudo == "only-child")
            compound.positions.push_back(Compound::Position::OnlyChild);
        else if (pseudo == "not" && peek() == '(') {
            ++pos_;
            skip_spaces();
            auto inner = parse_compound();
            if (!inner)
                return fail(std::move(inner).error());
            skip_spaces();
            if (peek() != ')')
                return problem("expected ')' to close :not(");
            ++pos_;
            compound.negations.push_back(std::move(*inner));
        } else {
            return problem(concat({"unsupported pseudo-class :", pseudo}));
        }
        return {};
    }

    Result<AttributeTest> parse_attribute() {
        const std::size_t open = pos_;
        ++pos_;
        skip_spaces();
        AttributeTest test;
        test.name = lowered(name());
        if (test.name.empty())
            return problem("expected an attribute name");
        skip_spaces();
        if (peek() == ']') {
            ++pos_;
            return test;
        }
        static constexpr std::pair<char, AttributeTest::Op> kOps[] = {
            {'~', AttributeTest::Op::Includes},
            {'|', AttributeTest::Op::DashMatch},
            {'^', AttributeTest::Op::Prefix},
            {'$', AttributeTest::Op::Suffix},
            {'*', AttributeTest::Op::Substring}};
        test.op = AttributeTest::Op::Equals;
        for (const auto& [symbol, op] : kOps) {
            if (peek() == symbol) {
                test.op = op;
                ++pos_;
            }
        }
        if (peek() != '=')
            return problem("expected '=' or ']' in attribute test");
        ++pos_;
        skip_spaces();
        if (peek() == '"' || peek() == '\'') {
            const char quote = peek();
            const std::size_t end = text_.find(quote, pos_ + 1);
            if (end == std::string_view::npos)
                return problem("unclosed quote");
            test.value = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = end + 1;
        } else {
            test.value = name();
            if (test.value.empty())
                return problem("expected a value in attribute test");
        }
        skip_spaces();
        if (peek() == 'i' || peek() == 'I') {
            test.ignore_case = true;
            ++pos_;
            skip_spaces();
        }
        if (peek() != ']') {
            pos_ = open;
            return problem("unclosed [");
        }
        ++pos_;
        return test;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool equal_text(std::string_view a, std::string_view b, bool ignore_case) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ignore_case ? lower(a[i]) != lower(b[i]) : a[i] != b[i])
            return false;
    }
    return true;
}

bool find_text(std::string_view haystack, std::string_view needle, bool ignore_case) {
    if (needle.size() > haystack.size())
        return false;
    for (std::size_t i = 0; i + needle.size() <= haystack.size(); ++i) {
        if (equal_text(haystack.substr(i, needle.size()), needle, ignore_case))
            return true;
    }
    return false;
}

bool has_word(std::string_view list, std::string_view word, bool ignore_case) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        while (pos < list.size() && is_space(list[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < list.size() && !is_space(list[end]))
            ++end;
        if (end > pos && equal_text(list.substr(pos, end - pos), word, ignore_case))
            return true;
        pos = end;
    }
    return false;
}

bool attribute_matches(const Document& document, NodeId id, const AttributeTest& test) {
    const auto value = document.attribute(id, test.name);
    if (!value)
        return false;
    const std::string_view wanted = test.value;
    const bool icase = test.ignore_case;
    switch (test.op) {
        case AttributeTest::Op::Exists:
            return true;
        case AttributeTest::Op::Equals:
            return equal_text(*value, wanted, icase);
        case AttributeTest::Op::Includes:
            return !wanted.empty() && has_word(*value, wanted, icase);
        case AttributeTest::Op::DashMatch:
            return equal_text(*value, wanted, icase) ||
                   (value->size() > wanted.size() && (*value)[wanted.size()] == '-' &&
                    equal_text(value->substr(0, wanted.size()), wanted, icase));
        case AttributeTest::Op::Prefix:
            return !wanted.empty() && value->size() >= wanted.size() &&
                   equal_text(value->substr(0, wanted.size()), wanted, icase);
        case AttributeTest::Op::Suffix:
            return !wanted.empty() && value->size() >= wanted.size() &&
                   equal_text(value->substr(value->size() - wanted.size()), wanted, icase);
        case AttributeTest::Op::Substring:
            return !wanted.empty() && find_text(*value, wanted, icase);
    }
    return false;
}

// The element siblings before and after `id`.
bool is_first_element(const Document& document, NodeId id, bool from_end) {
    const NodeId parent = document.node(id).parent;
    if (parent == kNoNode)
        return false;
    const auto& siblings = document.node(parent).children;
    const auto first_element = [&](auto begin, auto end) {
        for (auto it = begin; it != end; ++it) {
            if (document.node(*it).kind == NodeKind::Element)
                return *it;
        }
        return kNoNode;
    };
    return (from_end ? first_element(siblings.rbegin(), siblings.rend())
                     : first_element(siblings.begin(), siblings.end())) == id;
}

bool compound_matches(const Document& document, NodeId id, const Compound& compound) {
    const Node& node = document.node(id);
    if (node.kind != NodeKind::Element)
        return false;
    if (!compound.tag.empty() && node.tag != compound.tag)
        return false;
    for (const auto& name : compound.classes) {
        if (!document.has_class(id, name))
            return false;
    }
    for (const auto& name : compound.ids) {
        if (document.attribute(id, "id") != std::optional<std::string_view>(name))
            return false;
    }
    for (const auto& test : compound.attributes) {
        if (!attribute_matches(document, id, test))
            return false;
    }
    for (const auto position : compound.positions) {
        const bool first = is_first_element(document, id, false);
        const bool last = is_first_element(document, id, true);
        if ((position == Compound::Position::FirstChild && !first) ||
            (position == Compound::Position::LastChild && !last) ||
            (position == Compound::Position::OnlyChild && !(first && last)))
            return false;
    }
    for (const auto& negation : compound.negations) {
        if (compound_matches(document, id, negation))
            return false;
    }
    return true;
}

// Whether compounds[0..index] match with compounds[index] at `id`, reading
// the combinators from right to left.
bool complex_matches(const Document& document, NodeId id, const ComplexSelector& complex,
                     std::size_t index) {
    if (!compound_matches(document, id, complex.compounds[index]))
        return false;
    if (index == 0)
        return true;
    const char combinator = complex.combinators[index - 1];
    NodeId ancestor = document.node(id).parent;
    while (ancestor != kNoNode && document.node(ancestor).kind == NodeKind::Element) {
        if (complex_matches(document, ancestor, complex, index - 1))
            return true;
        if (combinator == '>')
            return false;
        ancestor = document.node(ancestor).parent;
    }
    return false;
}

}  // namespace

Result<Selector> parse_selector(std::string_view text) {
    return Parser(text).parse();
}

bool matches(const Document& document, NodeId id, const Selector& selector) {
    for (const auto& complex : selector.alternatives) {
        if (complex_matches(document, id, complex, complex.compounds.size() - 1))
            return true;
    }
    return false;
}

std::vector<NodeId> select_all(const Document& document, NodeId scope, const Selector& selector) {
    std::vector<NodeId> found;
    document.for_each_descendant(scope, [&](NodeId id) {
        if (matches(document, id, selector))
            found.push_back(id);
    });
    return found;
}

NodeId select_first(const Document& document, NodeId scope, const Selector& selector) {
    const auto found = select_all(document, scope, selector);
    return found.empty() ? kNoNode : found.front();
}

}  // namespace papyr::html
