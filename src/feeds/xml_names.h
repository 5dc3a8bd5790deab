#pragma once

// Element names with their namespaces, the way feeds use them. pugixml knows
// nothing of namespaces, so an element's namespace is looked up from the
// xmlns declarations of the element and its ancestors. Feeds are sloppy with
// declarations: the conventional prefixes (media, dc, content, atom) also
// count when nothing declares them.

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace papyr::feeds {

namespace xmlns {
inline constexpr std::string_view kAtom = "http://www.w3.org/2005/Atom";
inline constexpr std::string_view kRss1 = "http://purl.org/rss/1.0/";
inline constexpr std::string_view kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/";
inline constexpr std::string_view kContent = "http://purl.org/rss/1.0/modules/content/";
inline constexpr std::string_view kMedia = "http://search.yahoo.com/mrss/";
}  // namespace xmlns

// The part of the name after the prefix: "media:content" gives "content".
[[nodiscard]] std::string_view local_name(pugi::xml_node node);

// The namespace the element's name is in; empty when none.
[[nodiscard]] std::string_view namespace_of(pugi::xml_node node);

// Whether the element is `local` in namespace `uri` (a trailing "/" of either
// URI does not count).
[[nodiscard]] bool is_element(pugi::xml_node node, std::string_view uri, std::string_view local);

// Whether the element is one of the feed format's own: `local` without a
// prefix (whatever the default namespace, which feeds get wrong), or with a
// prefix bound to the format's namespace `format_uri`.
[[nodiscard]] bool is_core_element(pugi::xml_node node, std::string_view format_uri,
                                   std::string_view local);

// The element's content as markup: its text and CDATA as they are (the XML
// escapes already undone), child elements written back as markup. This is
// how HTML that a publisher forgot to escape is still read.
[[nodiscard]] std::string inner_markup(pugi::xml_node node);

// The element's text and CDATA children joined, trimmed of ASCII white space.
[[nodiscard]] std::string text_of(pugi::xml_node node);

}  // namespace papyr::feeds
