// RSS 2.0 items as the publishers write them: every value possibly in CDATA
// with white space around it, HTML in titles and descriptions, a guid that
// may or may not be a link, enclosures whose length is sometimes a width.

#include <algorithm>

#include "feeds/feed_extensions.h"
#include "feeds/feed_readers.h"
#include "feeds/image_choice.h"
#include "feeds/xml_names.h"

namespace papyr::feeds {
namespace {

// VnExpress gives a picture's width in the enclosure's length. A real byte
// count of any photo is far above the widest picture a feed would offer, so
// a small length is read as a width and a large one as nothing.
constexpr int kLargestEnclosureWidth = 4000;

void read_enclosure(pugi::xml_node element, FeedEntry& entry) {
    const std::string_view url = element.attribute("url").value();
    if (url.empty() || !is_image_type(element.attribute("type").value(), url))
        return;
    const int length = pixel_count(element.attribute("length").value());
    entry.images.push_back({std::string(url), length <= kLargestEnclosureWidth ? length : 0});
}

// A guid is the item's link unless it says otherwise, and then only when it
// is a whole URL: Tuổi Trẻ's are UUIDs, BBC's carry "#0" and "#1".
void read_guid(pugi::xml_node element, std::vector<LinkCandidate>& guids) {
    if (std::string_view(element.attribute("isPermaLink").value()) == "false")
        return;
    guids.push_back({text_of(element), false});
}

bool read_core_element(pugi::xml_node element, FeedEntry& entry,
                       std::vector<LinkCandidate>& guids) {
    constexpr std::string_view kNone;
    const auto is = [&](std::string_view name) { return is_core_element(element, kNone, name); };
    if (is("title"))
        entry.title = {inner_markup(element), TextKind::Html};
    else if (is("link"))
        entry.links.push_back({text_of(element), true});
    else if (is("guid"))
        read_guid(element, guids);
    else if (is("description"))
        entry.summary = {inner_markup(element), TextKind::Html};
    else if (is("pubDate")) {
        // pubDate is the item's own date: it goes before any other date
        // read so far. (Appended and rotated: g++ 12 at -O3 warns falsely
        // about a null dereference inside vector::insert at the front.)
        entry.dates.push_back(text_of(element));
        std::rotate(entry.dates.begin(), entry.dates.end() - 1, entry.dates.end());
    } else if (is("author"))
        entry.authors.push_back({text_of(element), TextKind::Html});
    else if (is("enclosure"))
        read_enclosure(element, entry);
    else
        return false;
    return true;
}

}  // namespace

FeedEntry read_rss_item(pugi::xml_node item) {
    FeedEntry entry;
    std::vector<LinkCandidate> guids;
    for (const pugi::xml_node element : item.children()) {
        if (element.type() != pugi::node_element || read_core_element(element, entry, guids) ||
            read_extension_element(element, entry))
            continue;
        // Some generators add the Atom link of the article to each item.
        if (is_element(element, xmlns::kAtom, "link") &&
            std::string_view(element.attribute("rel").as_string("alternate")) == "alternate")
            entry.links.push_back({element.attribute("href").value(), true});
    }
    entry.links.insert(entry.links.end(), guids.begin(), guids.end());
    return entry;
}

}  // namespace papyr::feeds
