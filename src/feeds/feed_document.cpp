#include "feeds/feed_document.h"

#include <algorithm>
#include <optional>
#include <pugixml.hpp>
#include <string>

#include "feeds/feed_parser.h"
#include "feeds/feed_readers.h"
#include "feeds/xml_names.h"

namespace papyr::feeds {
namespace {

enum class FeedFormat { Rss, Atom, Rdf };

// Well-formedness is all pugixml is asked for: no DOCTYPE is read, so no
// entity a document declares is ever expanded, and external ones never
// fetched.
constexpr unsigned kParseOptions = pugi::parse_default;

std::optional<FeedFormat> format_named(std::string_view qualified_name) {
    const auto colon = qualified_name.find(':');
    const std::string_view name =
        colon == std::string_view::npos ? qualified_name : qualified_name.substr(colon + 1);
    if (name == "rss")
        return FeedFormat::Rss;
    if (name == "feed")
        return FeedFormat::Atom;
    if (name == "RDF")
        return FeedFormat::Rdf;
    return std::nullopt;
}

std::string_view format_namespace(FeedFormat format) {
    switch (format) {
        case FeedFormat::Atom:
            return xmlns::kAtom;
        case FeedFormat::Rdf:
            return xmlns::kRss1;
        case FeedFormat::Rss:
            break;
    }
    return {};
}

std::string_view item_name(FeedFormat format) {
    return format == FeedFormat::Atom ? "entry" : "item";
}

FeedEntry read_item(FeedFormat format, pugi::xml_node item) {
    switch (format) {
        case FeedFormat::Atom:
            return read_atom_entry(item);
        case FeedFormat::Rdf:
            return read_rdf_item(item);
        case FeedFormat::Rss:
            break;
    }
    return read_rss_item(item);
}

bool looks_like_html(std::string_view document) {
    std::string head(document.substr(0, 4096));
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head.find("<html") != std::string::npos ||
           head.find("<!doctype html") != std::string::npos ||
           head.find("<body") != std::string::npos;
}

Failure not_a_feed(std::string_view document) {
    return fail(
        std::string(looks_like_html(document) ? kFeedIsWebPageMessage : kFeedNotRssMessage));
}

// Items of a well-formed document: children of the root or of its channel
// (RSS and RDF put them in either place; Atom entries sit in the feed).
bool visit_items(FeedFormat format, pugi::xml_node root, const EntryVisitor& visit) {
    const std::string_view uri = format_namespace(format);
    const std::vector<FeedText> feed_authors =
        format == FeedFormat::Atom ? read_atom_feed_authors(root) : std::vector<FeedText>();
    const auto visit_children = [&](pugi::xml_node parent) {
        for (const pugi::xml_node child : parent.children()) {
            if (!is_core_element(child, uri, item_name(format)))
                continue;
            FeedEntry entry = read_item(format, child);
            if (entry.authors.empty())
                entry.authors = feed_authors;
            if (!visit(std::move(entry)))
                return false;
        }
        return true;
    };
    if (!visit_children(root))
        return false;
    for (const pugi::xml_node channel : root.children()) {
        if (is_core_element(channel, uri, "channel") && !visit_children(channel))
            return false;
    }
    return true;
}

// ---- Reading a damaged document item by item ----

bool is_xml_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_name_char(char c) {
    return c != '\0' && std::string_view(" \t\r\n/>=\"'<").find(c) == std::string_view::npos;
}

// The end of a tag that starts at `start` ('<'), past quoted attribute
// values; npos when the document ends first.
std::size_t tag_end(std::string_view text, std::size_t start) {
    char quote = '\0';
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != '\0') {
            if (c == quote)
                quote = '\0';
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

struct RootTag {
    std::string_view tag;   // "<rss version=…>" with its namespace declarations
    std::string_view name;  // "rss", "rdf:RDF"
};

// Past the declaration, processing instructions, comments and DOCTYPE to the
// start tag of the root element.
std::optional<RootTag> find_root_tag(std::string_view text) {
    std::size_t pos = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (true) {
        pos = text.find('<', pos);
        if (pos == std::string_view::npos || pos + 1 >= text.size())
            return std::nullopt;
        const std::string_view rest = text.substr(pos);
        std::size_t end = std::string_view::npos;
        if (rest.substr(0, 2) == "<?")
            end = text.find("?>", pos);
        else if (rest.substr(0, 4) == "<!--")
            end = text.find("-->", pos);
        else if (rest[1] == '!')
            end = text.find(rest.find('[') < rest.find('>') ? "]>" : ">", pos);
        else {
            std::size_t name_end = pos + 1;
            while (name_end < text.size() && is_name_char(text[name_end]))
                ++name_end;
            const std::size_t close = tag_end(text, pos);
            if (close == std::string_view::npos || name_end == pos + 1 || text[close - 2] == '/')
                return std::nullopt;
            return RootTag{text.substr(pos, close - pos), text.substr(pos + 1, name_end - pos - 1)};
        }
        if (end == std::string_view::npos)
            return std::nullopt;
        pos = end + 1;
    }
}

// The item start tags of a damaged document, and where each item ends.
class ItemCutter {
  public:
    ItemCutter(std::string_view text, std::string_view local) : text_(text), local_(local) {}

    // The next item start tag at or after `from`: its position and name.
    std::size_t next_start(std::size_t from, std::string_view& name) const {
        for (std::size_t pos = text_.find('<', from); pos != std::string_view::npos;
             pos = text_.find('<', pos + 1)) {
            std::size_t end = pos + 1;
            while (end < text_.size() && is_name_char(text_[end]))
                ++end;
            const std::string_view candidate = text_.substr(pos + 1, end - pos - 1);
            const auto colon = candidate.find(':');
            const std::string_view local =
                colon == std::string_view::npos ? candidate : candidate.substr(colon + 1);
            if (local == local_ && end < text_.size()) {
                name = candidate;
                return pos;
            }
        }
        return std::string_view::npos;
    }

    // Where the end tag "</name>" after `from` ends. The search only ever
    // moves forward, so cutting a whole document stays linear.
    std::size_t end_after(std::size_t from, std::string_view name) {
        const bool known = name == close_name_ && from >= searched_from_ &&
                           (close_ == std::string_view::npos || close_ >= from);
        if (known)
            return close_;
        close_name_ = name;
        searched_from_ = from;
        close_ = std::string_view::npos;
        const std::string end_tag = "</" + std::string(name);
        for (std::size_t pos = text_.find(end_tag, from); pos != std::string_view::npos;
             pos = text_.find(end_tag, pos + 1)) {
            std::size_t after = pos + end_tag.size();
            while (after < text_.size() && is_xml_space(text_[after]))
                ++after;
            if (after < text_.size() && text_[after] == '>') {
                close_ = after + 1;
                break;
            }
        }
        return close_;
    }

  private:
    std::string_view text_;
    std::string_view local_;
    // The last search: from where, for which name, and what it found (npos:
    // no end tag anywhere after searched_from_).
    std::size_t searched_from_ = 0;
    std::size_t close_ = std::string_view::npos;
    std::string close_name_;
};

// Each item is parsed on its own inside a copy of the root start tag, which
// carries the namespace declarations its elements rely on.
void visit_damaged_items(std::string_view text, const RootTag& root, FeedFormat format,
                         const EntryVisitor& visit) {
    // A root tag longer than any real one would be copied for every item:
    // without its declarations, only the conventional prefixes still count.
    constexpr std::size_t kLongestRootTag = 16 * 1024;
    std::string root_tag;
    if (root.tag.size() <= kLongestRootTag) {
        root_tag = root.tag;
    } else {
        // Appended piece by piece: GCC 12 at -O3 (the console build) takes
        // "<" + std::string(...) for an overlapping copy (-Wrestrict).
        root_tag.append("<").append(root.name).append(">");
    }
    ItemCutter cutter(text, item_name(format));
    std::string_view name;
    std::size_t start = cutter.next_start(0, name);
    pugi::xml_document piece;
    while (start != std::string_view::npos) {
        std::string_view next_name;
        const std::size_t next = cutter.next_start(start + 1, next_name);
        const std::size_t end = cutter.end_after(start, name);
        if (end != std::string_view::npos && (next == std::string_view::npos || end <= next)) {
            const std::string wrapped = root_tag + std::string(text.substr(start, end - start)) +
                                        "</" + std::string(root.name) + ">";
            if (piece.load_buffer(wrapped.data(), wrapped.size(), kParseOptions,
                                  pugi::encoding_utf8)) {
                const pugi::xml_node item = piece.document_element().first_child();
                if (item.type() == pugi::node_element && !visit(read_item(format, item)))
                    return;
            }
        }
        start = next;
        name = next_name;
    }
}

}  // namespace

Result<FeedScan> scan_feed(std::string_view document, const EntryVisitor& visit) {
    pugi::xml_document xml;
    if (xml.load_buffer(document.data(), document.size(), kParseOptions, pugi::encoding_utf8)) {
        const pugi::xml_node root = xml.document_element();
        const auto format = format_named(root.name());
        if (!format)
            return not_a_feed(document);
        visit_items(*format, root, visit);
        return FeedScan{false};
    }
    const auto root = find_root_tag(document);
    const auto format = root ? format_named(root->name) : std::nullopt;
    if (!format)
        return not_a_feed(document);
    visit_damaged_items(document, *root, *format, visit);
    return FeedScan{true};
}

}  // namespace papyr::feeds
