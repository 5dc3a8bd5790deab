#include "extraction/metadata.h"

#include <array>

#include "extraction/html.h"
#include "news_api/pub_date.h"

namespace papyr::extraction {
namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The value an element carries for machines: content (meta), datetime
// (time), or else its visible text.
std::string machine_value(const Document& document, NodeId id) {
    for (const auto name : {"content", "datetime"}) {
        if (const auto value = document.attribute(id, name))
            return normalise_text(*value);
    }
    return normalise_text(document.raw_text(id));
}

}  // namespace

void add_byline_names(std::string_view byline, std::vector<std::string>& names) {
    // "A and B", "A & B", "A và B", "A, B": one name each.
    std::string text = normalise_text(byline);
    for (const std::string_view joiner : {" and ", " & ", " và ", " ; "}) {
        std::string joined;
        std::size_t from = 0;
        for (std::size_t at = text.find(joiner); at != std::string::npos;
             from = at + joiner.size(), at = text.find(joiner, from)) {
            joined.append(text, from, at - from);
            joined += ',';
        }
        joined.append(text, from, std::string::npos);
        text = std::move(joined);
    }
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        std::string name = clean_author(std::string_view(text).substr(start, comma - start));
        bool known = false;
        for (const auto& have : names)
            known = known || have == name;
        if (!name.empty() && !known)
            names.push_back(std::move(name));
        start = comma + 1;
    }
}

namespace {

bool inside_foreign_scope(const Document& document, NodeId id) {
    for (NodeId at = document.node(id).parent; at != kNoNode; at = document.node(at).parent) {
        if (!document.attribute(at, "itemscope"))
            continue;
        const std::string type = lowered(document.attribute(at, "itemtype").value_or(""));
        return type.find("comment") != std::string::npos ||
               type.find("review") != std::string::npos;
    }
    return false;
}

std::string microdata_author(const Document& document, NodeId id) {
    if (document.attribute(id, "itemscope")) {
        std::string name;
        document.for_each_descendant(id, [&](NodeId inner) {
            if (name.empty() && document.attribute(inner, "itemprop") == "name")
                name = machine_value(document, inner);
        });
        return name;
    }
    return machine_value(document, id);
}

template <class T>
void take_if_empty(T& into, T from) {
    if (into.empty())
        into = std::move(from);
}

// Sites escape the values of meta tags and JSON-LD twice ("&amp;#8217;"),
// or write markup into them ("&lt;p&gt;Here&amp;#x27;s"): after the page's
// own parse, what is still a character reference or a tag is read once
// more as HTML, as the text would have been meant.
std::string decode_leftovers(const std::string& text) {
    if (text.find('&') == std::string::npos && text.find('<') == std::string::npos)
        return text;
    const auto fragment = parse_html(text);
    return fragment ? normalise_text(fragment->raw_text(fragment->root())) : text;
}

void decode_leftovers(Metadata& metadata) {
    for (std::string* value : {&metadata.title, &metadata.description, &metadata.site_name})
        *value = decode_leftovers(*value);
    for (auto* names : {&metadata.authors, &metadata.organisations}) {
        for (auto& name : *names)
            name = decode_leftovers(name);
    }
}

}  // namespace

std::string clean_author(std::string_view text) {
    std::string name = normalise_text(text);
    for (const auto prefix : {"by ", "bởi ", "written by ", "tác giả:", "tác giả ",
                              "author:", "posted by ", "story by ", "words by ", "words:"}) {
        if (starts_with(lowered(name), prefix)) {
            name = normalise_text(std::string_view(name).substr(std::string_view(prefix).size()));
            break;
        }
    }
    while (!name.empty() &&
           (name.back() == ',' || name.back() == '-' || name.back() == '|' || name.back() == ' '))
        name.pop_back();
    const std::string lower = lowered(name);
    const bool url =
        starts_with(lower, "http:") || starts_with(lower, "https:") || starts_with(lower, "www.");
    const bool mail_only =
        name.find('@') != std::string::npos && name.find(' ') == std::string::npos;
    if (url || mail_only || count_words(name) == 0 || count_words(name) > 8 ||
        text_length(name) > 80 || parse_pub_date(name, 0))
        return {};
    return name;
}

Metadata read_meta_tags(const Document& document, int default_offset_minutes) {
    Metadata metadata;
    std::string document_title;
    std::string og_title;
    std::string other_title;
    document.for_each_descendant(document.root(), [&](NodeId id) {
        const Node& node = document.node(id);
        if (node.kind != NodeKind::Element)
            return;
        if (node.tag == "title" && document_title.empty()) {
            document_title = normalise_text(document.raw_text(id));
            return;
        }
        if (node.tag != "meta")
            return;
        const auto content = document.attribute(id, "content");
        if (!content)
            return;
        std::string key =
            lowered(document.attribute(id, "property")
                        .value_or(document.attribute(id, "name")
                                      .value_or(document.attribute(id, "itemprop").value_or(""))));
        const std::string value = normalise_text(*content);
        if (value.empty())
            return;
        if (key == "og:title")
            take_if_empty(og_title, value);
        else if (key == "twitter:title" || key == "title" || key == "headline")
            take_if_empty(other_title, value);
        else if (key == "og:description" || key == "description" || key == "twitter:description")
            take_if_empty(metadata.description, value);
        else if (key == "og:site_name" || key == "application-name")
            take_if_empty(metadata.site_name, value);
        else if (key == "author" || key == "article:author" || key == "byl" ||
                 key == "dc.creator" || key == "parsely-author" || key == "sailthru.author") {
            if (metadata.authors.empty())
                add_byline_names(value, metadata.authors);
        } else if (!metadata.published &&
                   (key == "article:published_time" || key == "og:article:published_time" ||
                    key == "pubdate" || key == "publishdate" || key == "publish-date" ||
                    key == "date" || key == "dc.date.issued" || key == "dc.date" ||
                    key == "datepublished" || key == "parsely-pub-date" || key == "sailthru.date" ||
                    key == "article.published")) {
            metadata.published = parse_pub_date(value, default_offset_minutes);
        }
    });
    metadata.title = !og_title.empty() ? og_title : other_title;
    metadata.document_title = document_title;
    return metadata;
}

Metadata read_microdata(const Document& document, int default_offset_minutes) {
    Metadata metadata;
    document.for_each_descendant(document.root(), [&](NodeId id) {
        const auto property = document.attribute(id, "itemprop");
        if (!property || document.node(id).tag == "meta" || inside_foreign_scope(document, id))
            return;
        if (*property == "headline")
            take_if_empty(metadata.title, machine_value(document, id));
        else if (*property == "description")
            take_if_empty(metadata.description, machine_value(document, id));
        else if (*property == "author" || *property == "creator")
            add_byline_names(microdata_author(document, id), metadata.authors);
        else if (*property == "datePublished" && !metadata.published)
            metadata.published =
                parse_pub_date(machine_value(document, id), default_offset_minutes);
    });
    return metadata;
}

Metadata read_metadata(const Document& document, int default_offset_minutes) {
    std::vector<json::Value> json_ld;
    document.for_each_descendant(document.root(), [&](NodeId id) {
        if (!document.is_element(id, "script"))
            return;
        for (const NodeId child : document.node(id).children) {
            if (document.node(child).kind != NodeKind::Text)
                continue;
            for (auto& value : parse_json_ld(document.node(child).text))
                json_ld.push_back(std::move(value));
        }
    });
    const std::array<Metadata, 3> sources = {read_json_ld(json_ld, default_offset_minutes),
                                             read_microdata(document, default_offset_minutes),
                                             read_meta_tags(document, default_offset_minutes)};
    Metadata merged;
    for (const auto& source : sources) {
        take_if_empty(merged.title, source.title);
        take_if_empty(merged.document_title, source.document_title);
        take_if_empty(merged.description, source.description);
        take_if_empty(merged.authors, source.authors);
        take_if_empty(merged.organisations, source.organisations);
        if (!merged.published)
            merged.published = source.published;
        take_if_empty(merged.kind, source.kind);
        take_if_empty(merged.body, source.body);
    }
    // The site names itself most reliably in og:site_name.
    merged.site_name = !sources[2].site_name.empty() ? sources[2].site_name : sources[0].site_name;
    decode_leftovers(merged);
    return merged;
}

}  // namespace papyr::extraction
