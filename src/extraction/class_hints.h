#pragma once

// What an element's class and id say about it. Pages name their boxes in
// words ("related-posts", "shareBar", "box-tinlienquanv2"): the attributes are
// split into lower-case words at punctuation and at camelCase, and the words
// are looked up in lists: boilerplate, what often wraps boilerplate, and
// article content.

#include <string>
#include <string_view>
#include <vector>

#include "extraction/html.h"

namespace papyr::extraction {

struct ClassHints {
    bool boilerplate = false;  // navigation, sharing, comments, related links...
    bool incidental = false;   // ad slots, paywalls, widgets, video: boilerplate if it looks so
    bool content = false;      // article, body, content, entry, post, story...
    bool hidden = false;       // hidden, sr-only, visually-hidden...
    bool gated = false;        // paywall, premium: text kept from readers until they log in
    bool gallery = false;      // gallery, slideshow, carousel: pictures with captions
};

// "shareBar box_related-2" -> share, bar, box, related, 2.
[[nodiscard]] std::vector<std::string> hint_words(std::string_view attribute);

[[nodiscard]] ClassHints class_hints(const Document& document, NodeId id);

// The same tag and the same class attribute (or neither has one): how a
// page writes the elements of one kind, such as the paragraphs of its body.
[[nodiscard]] bool same_kind_of_element(const Document& document, NodeId a, NodeId b);

}  // namespace papyr::extraction
