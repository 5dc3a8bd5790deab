// Atom 1.0 entries. Unlike RSS, Atom says what each text holds (type "text",
// "html" or "xhtml"), and links are elements with a relation.

#include <array>

#include "feeds/feed_extensions.h"
#include "feeds/feed_readers.h"
#include "feeds/xml_names.h"

namespace papyr::feeds {
namespace {

bool is_atom(pugi::xml_node element, std::string_view name) {
    return is_core_element(element, xmlns::kAtom, name);
}

// A text construct; an absent type means plain text. Content given by
// reference (src=) has nothing to read here.
FeedText read_text(pugi::xml_node element) {
    const std::string_view type = element.attribute("type").value();
    if (type.empty() || type == "text" || type == "text/plain")
        return {text_of(element), TextKind::Plain};
    if (!element.attribute("src").empty())
        return {};
    return {inner_markup(element), TextKind::Html};
}

struct AtomLinks {
    std::vector<LinkCandidate> pages;   // alternates that are web pages
    std::vector<LinkCandidate> others;  // alternates of another type (audio, PDF)
};

void read_link(pugi::xml_node element, AtomLinks& links, FeedEntry& entry) {
    const std::string_view rel = element.attribute("rel").as_string("alternate");
    const std::string_view href = element.attribute("href").value();
    const std::string_view type = element.attribute("type").value();
    if (rel == "alternate") {
        const bool page = type.empty() || type == "text/html" || type == "application/xhtml+xml";
        (page ? links.pages : links.others).push_back({std::string(href), true});
    } else if (rel == "enclosure" && is_image_type(type, href)) {
        entry.images.push_back({std::string(href), 0});
    }
}

std::vector<FeedText> read_authors(pugi::xml_node parent) {
    std::vector<FeedText> authors;
    for (const pugi::xml_node element : parent.children()) {
        if (!is_atom(element, "author"))
            continue;
        for (const pugi::xml_node part : element.children()) {
            if (is_atom(part, "name"))
                authors.push_back({text_of(part), TextKind::Plain});
        }
    }
    return authors;
}

}  // namespace

FeedEntry read_atom_entry(pugi::xml_node entry_node) {
    FeedEntry entry;
    // Publication first; the update time only when nothing else is known.
    // Atom 0.3 called them issued and modified.
    static constexpr std::array<std::string_view, 4> kDateElements = {"published", "issued",
                                                                      "updated", "modified"};
    std::array<std::string, kDateElements.size()> dates;
    std::string id;
    AtomLinks links;
    for (const pugi::xml_node element : entry_node.children()) {
        if (element.type() != pugi::node_element)
            continue;
        if (is_atom(element, "title"))
            entry.title = read_text(element);
        else if (is_atom(element, "link"))
            read_link(element, links, entry);
        else if (is_atom(element, "summary"))
            entry.summary = read_text(element);
        else if (is_atom(element, "content"))
            entry.content = read_text(element);
        else if (is_atom(element, "id"))
            id = text_of(element);
        else if (!read_extension_element(element, entry)) {
            for (std::size_t i = 0; i < kDateElements.size(); ++i) {
                if (is_atom(element, kDateElements[i]))
                    dates[i] = text_of(element);
            }
        }
    }
    for (auto& date : dates) {
        if (!date.empty())
            entry.dates.push_back(std::move(date));
    }
    entry.links = std::move(links.pages);
    entry.links.insert(entry.links.end(), links.others.begin(), links.others.end());
    entry.links.push_back({std::move(id), false});
    auto authors = read_authors(entry_node);
    entry.authors.insert(entry.authors.begin(), authors.begin(), authors.end());
    return entry;
}

std::vector<FeedText> read_atom_feed_authors(pugi::xml_node feed) {
    return read_authors(feed);
}

}  // namespace papyr::feeds
