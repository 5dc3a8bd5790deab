// RSS 1.0 items: RDF resources whose own URI (rdf:about) is the article when
// no <link> says otherwise; dates and authors come from Dublin Core.

#include "feeds/feed_extensions.h"
#include "feeds/feed_readers.h"
#include "feeds/xml_names.h"

namespace papyr::feeds {

FeedEntry read_rdf_item(pugi::xml_node item) {
    FeedEntry entry;
    for (const pugi::xml_node element : item.children()) {
        if (element.type() != pugi::node_element)
            continue;
        const auto is = [&](std::string_view name) {
            return is_core_element(element, xmlns::kRss1, name);
        };
        if (is("title"))
            entry.title = {inner_markup(element), TextKind::Html};
        else if (is("link"))
            entry.links.push_back({text_of(element), true});
        else if (is("description"))
            entry.summary = {inner_markup(element), TextKind::Html};
        else
            read_extension_element(element, entry);
    }
    for (const pugi::xml_attribute attribute : item.attributes()) {
        const std::string_view name = attribute.name();
        if (name == "rdf:about" || name == "about")
            entry.links.push_back({attribute.value(), false});
    }
    return entry;
}

}  // namespace papyr::feeds
