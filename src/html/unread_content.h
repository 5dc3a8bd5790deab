#pragma once

// The contents of elements that the extraction never reads, cut out of a
// page before it is parsed: scripts other than JSON-LD, style sheets, SVG
// drawings, and comments. They are about half of a news page's bytes, and
// the HTML tokenizer spends its time on every one of them; the tree built
// without them is the same, since it keeps no script, style, SVG content
// or comment.

#include <string>

namespace papyr::html {

// Removes the content between the start and end tags of those elements, in
// place; the tags themselves stay. Comments go whole, and a "<script"
// inside one starts nothing; tags are read up to their end with quoted
// attribute values, so that one inside a value does not either.
void drop_unread_content(std::string& html);

}  // namespace papyr::html
