#include "feeds/xml_names.h"

#include <array>
#include <sstream>
#include <utility>

namespace papyr::feeds {
namespace {

std::string_view prefix_of(std::string_view name) {
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

std::string_view without_trailing_slash(std::string_view uri) {
    return !uri.empty() && uri.back() == '/' ? uri.substr(0, uri.size() - 1) : uri;
}

// What the usual prefixes mean when a feed uses them without declaring them.
std::string_view conventional_namespace(std::string_view prefix) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kPrefixes = {{
        {"media", xmlns::kMedia},
        {"dc", xmlns::kDublinCore},
        {"content", xmlns::kContent},
        {"atom", xmlns::kAtom},
        {"rdf", xmlns::kRdf},
    }};
    for (const auto& [known, uri] : kPrefixes) {
        if (known == prefix)
            return uri;
    }
    return {};
}

void trim_ascii(std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(" \t\r\n") + 1);
    text.erase(0, first);
}

}  // namespace

std::string_view local_name(pugi::xml_node node) {
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view namespace_of(pugi::xml_node node) {
    const std::string_view prefix = prefix_of(node.name());
    const std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
    for (pugi::xml_node scope = node; scope; scope = scope.parent()) {
        if (const pugi::xml_attribute attribute = scope.attribute(declaration.c_str()))
            return attribute.value();
    }
    return conventional_namespace(prefix);
}

bool is_element(pugi::xml_node node, std::string_view uri, std::string_view local) {
    return node.type() == pugi::node_element && local_name(node) == local &&
           without_trailing_slash(namespace_of(node)) == without_trailing_slash(uri);
}

bool is_core_element(pugi::xml_node node, std::string_view format_uri, std::string_view local) {
    if (node.type() != pugi::node_element || local_name(node) != local)
        return false;
    return prefix_of(node.name()).empty() ||
           without_trailing_slash(namespace_of(node)) == without_trailing_slash(format_uri);
}

std::string inner_markup(pugi::xml_node node) {
    std::string markup;
    for (const pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            markup += child.value();
        } else if (child.type() == pugi::node_element) {
            // pugixml writes elements without recursion, so a deeply nested
            // one cannot exhaust the stack here.
            std::ostringstream out;
            child.print(out, "", pugi::format_raw);
            markup += out.str();
        }
    }
    return markup;
}

std::string text_of(pugi::xml_node node) {
    std::string text;
    for (const pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    }
    trim_ascii(text);
    return text;
}

}  // namespace papyr::feeds
