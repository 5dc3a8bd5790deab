#pragma once

// One item of a feed as its reader found it, before any cleaning: the texts
// still hold their markup and the URLs are as the publisher wrote them. Every
// format's reader produces these, so that turning them into headlines is done
// once for all formats.

#include <string>
#include <vector>

namespace papyr::feeds {

// How a text is to be read: RSS puts HTML (often escaped, sometimes inside
// CDATA) into every element, Atom says per element whether it holds text or
// markup.
enum class TextKind { Html, Plain };

struct FeedText {
    std::string value;
    TextKind kind = TextKind::Html;

    bool empty() const { return value.empty(); }
};

// A picture the item's markup names (enclosure, Media RSS). The width is 0
// when the feed does not give one.
struct ImageCandidate {
    std::string url;
    int width = 0;
};

// A link, and whether it may be read relative to the feed's URL: a <link>
// may be relative, an identifier (an RSS guid, an Atom id) is a link only
// when it is a whole URL of its own.
struct LinkCandidate {
    std::string url;
    bool may_be_relative = true;
};

struct FeedEntry {
    FeedText title;
    FeedText summary;                    // RSS description, Atom summary
    FeedText content;                    // content:encoded, Atom content: when there is no summary
    std::vector<LinkCandidate> links;    // best first
    std::vector<std::string> dates;      // best first; the first readable one counts
    std::vector<FeedText> authors;       // every name given, in order
    std::vector<ImageCandidate> images;  // from the feed's own elements, in order
};

}  // namespace papyr::feeds
