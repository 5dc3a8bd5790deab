#pragma once

// One reader per feed format, each turning one item element into a
// FeedEntry. They only collect; deciding what is usable is done afterwards
// for all formats alike.

#include <pugixml.hpp>

#include "feeds/feed_entry.h"

namespace papyr::feeds {

// An RSS 2.0 (or 0.9x) <item>.
[[nodiscard]] FeedEntry read_rss_item(pugi::xml_node item);

// An Atom 1.0 <entry>.
[[nodiscard]] FeedEntry read_atom_entry(pugi::xml_node entry);

// The author names an Atom <feed> gives for entries that name none.
[[nodiscard]] std::vector<FeedText> read_atom_feed_authors(pugi::xml_node feed);

// An RSS 1.0 (RDF) <item>.
[[nodiscard]] FeedEntry read_rdf_item(pugi::xml_node item);

}  // namespace papyr::feeds
