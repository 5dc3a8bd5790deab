#pragma once

// A feed document read as XML: which format it is, and its items in order.
// A document that is not well-formed (a stray "&" or "<" in one item, a body
// cut off in transit) is read again item by item, so one broken item costs
// only itself.

#include <functional>
#include <string_view>

#include "base/result.h"
#include "feeds/feed_entry.h"

namespace papyr::feeds {

struct FeedScan {
    // The document as a whole was not XML; its items were read one by one.
    bool damaged = false;
};

// Receives each item in document order; answers whether it wants more.
using EntryVisitor = std::function<bool(FeedEntry&&)>;

// `document` is UTF-8 (feed_encoding.h). Fails with a message for the reader
// when the document is no feed.
[[nodiscard]] Result<FeedScan> scan_feed(std::string_view document, const EntryVisitor& visit);

}  // namespace papyr::feeds
