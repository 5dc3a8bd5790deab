#pragma once

// Elements that every feed format borrows from other vocabularies: Dublin
// Core (dc:creator, dc:date), the content module (content:encoded) and Media
// RSS (media:content, media:thumbnail, media:group).

#include <pugixml.hpp>

#include "feeds/feed_entry.h"

namespace papyr::feeds {

// Takes what the element means for the entry when it is one of these
// elements; answers whether it was.
bool read_extension_element(pugi::xml_node element, FeedEntry& entry);

// Whether a MIME type or, without one, a URL's file name says "picture".
[[nodiscard]] bool is_image_type(std::string_view mime_type, std::string_view url);

}  // namespace papyr::feeds
