#include "extraction/rules.h"

#include <array>

#include "extraction/html.h"
#include "extraction/metadata.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

// --- reading the rules -------------------------------------------------------

struct Member {
    std::string_view key;
    std::vector<std::string> SiteRules::*field;
    bool selectors;
};

constexpr std::array<Member, 7> kMembers = {{
    {"title", &SiteRules::title, true},
    {"lead", &SiteRules::lead, true},
    {"body", &SiteRules::body, true},
    {"author", &SiteRules::author, true},
    {"date", &SiteRules::date, true},
    {"remove", &SiteRules::remove, true},
    {"dropParagraphs", &SiteRules::drop_paragraphs, false},
}};

// "`key`" followed by `rest`, for the messages about a member.
std::string about(std::string_view key, std::string_view rest) {
    std::string message = "`";
    message += key;
    message += '`';
    message += rest;
    return message;
}

Result<std::vector<std::string>> read_list(const Member& member, const json::Value& value) {
    const auto* items = value.as_array();
    if (items == nullptr)
        return fail(
            concat({about(member.key, " must be an array of strings, found "), value.kind_name()}));
    std::vector<std::string> list;
    for (std::size_t i = 0; i < items->size(); ++i) {
        std::string index = "[";
        index += std::to_string(i);
        index += ']';
        const std::string where = about(concat({member.key, index}), "");
        const auto* text = (*items)[i].as_string();
        if (text == nullptr)
            return fail(concat({where, " must be a string, found ", (*items)[i].kind_name()}));
        if (text->empty())
            return fail(where + " must not be empty");
        if (member.selectors) {
            if (auto selector = parse_selector(*text); !selector)
                return fail(concat({where, ": ", selector.error()}));
        }
        list.push_back(*text);
    }
    return list;
}

// --- applying them -----------------------------------------------------------

std::vector<Selector> compile(const std::vector<std::string>& texts) {
    std::vector<Selector> selectors;
    for (const auto& text : texts) {
        // Rules built in code rather than read by parse_site_rules may hold
        // a bad selector; it matches nothing.
        if (auto selector = parse_selector(text))
            selectors.push_back(std::move(*selector));
    }
    return selectors;
}

std::string element_text(const Document& document, NodeId id) {
    return normalise_text(document.raw_text(id));
}

// The text of the first match of the first selector that matches an element
// with text.
std::string first_text(const Document& document, const std::vector<Selector>& selectors,
                       std::vector<NodeId>& consumed) {
    for (const auto& selector : selectors) {
        for (const NodeId id : select_all(document, document.root(), selector)) {
            std::string text = element_text(document, id);
            if (!text.empty()) {
                consumed.push_back(id);
                return text;
            }
        }
    }
    return {};
}

std::vector<std::string> authors(const Document& document, const std::vector<Selector>& selectors,
                                 std::vector<NodeId>& consumed) {
    for (const auto& selector : selectors) {
        std::vector<std::string> names;
        for (const NodeId id : select_all(document, document.root(), selector)) {
            const std::size_t before = names.size();
            add_byline_names(element_text(document, id), names);
            if (names.size() > before || !clean_author(element_text(document, id)).empty())
                consumed.push_back(id);
        }
        if (!names.empty())
            return names;
    }
    return {};
}

std::optional<std::int64_t> date(const Document& document, const std::vector<Selector>& selectors,
                                 int default_offset_minutes, std::vector<NodeId>& consumed) {
    for (const auto& selector : selectors) {
        for (const NodeId id : select_all(document, document.root(), selector)) {
            for (const auto name : {"datetime", "content"}) {
                if (const auto value = document.attribute(id, name)) {
                    if (auto instant = parse_pub_date(*value, default_offset_minutes)) {
                        consumed.push_back(id);
                        return instant;
                    }
                }
            }
            if (auto instant = parse_pub_date(element_text(document, id), default_offset_minutes)) {
                consumed.push_back(id);
                return instant;
            }
        }
    }
    return std::nullopt;
}

std::vector<NodeId> body(const Document& document, const std::vector<Selector>& selectors) {
    for (const auto& selector : selectors) {
        std::vector<NodeId> found;
        bool has_text = false;
        for (const NodeId id : select_all(document, document.root(), selector)) {
            if (!found.empty() && document.contains(found.back(), id))
                continue;  // inside a match already taken
            found.push_back(id);
            has_text = has_text || !element_text(document, id).empty();
        }
        if (has_text)
            return found;
    }
    return {};
}

}  // namespace

Result<SiteRules> parse_site_rules(const json::Value& value) {
    const auto* object = value.as_object();
    if (object == nullptr)
        return fail(concat({"must be an object, found ", value.kind_name()}));
    SiteRules rules;
    for (const auto& [key, member_value] : *object) {
        const Member* member = nullptr;
        for (const auto& candidate : kMembers)
            member = candidate.key == key ? &candidate : member;
        if (member == nullptr)
            return fail(concat({"unknown member ", about(key, "")}));
        auto list = read_list(*member, member_value);
        if (!list)
            return fail(std::move(list).error());
        rules.*(member->field) = std::move(*list);
    }
    return rules;
}

RuleMatch apply_site_rules(const Document& document, const SiteRules& rules,
                           int default_offset_minutes) {
    RuleMatch match;
    match.title = first_text(document, compile(rules.title), match.consumed);
    match.lead = first_text(document, compile(rules.lead), match.consumed);
    match.authors = authors(document, compile(rules.author), match.consumed);
    match.published = date(document, compile(rules.date), default_offset_minutes, match.consumed);
    match.body = body(document, compile(rules.body));
    for (const auto& selector : compile(rules.remove)) {
        auto found = select_all(document, document.root(), selector);
        match.removed.insert(match.removed.end(), found.begin(), found.end());
    }
    return match;
}

}  // namespace papyr::extraction
