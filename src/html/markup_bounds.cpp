#include "html/markup_bounds.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace papyr::html {
namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool is_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == y; });
}

template <std::size_t N>
bool is_one_of(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view candidate) { return same_name(name, candidate); });
}

// Elements that never stay open: void elements, and those that the next of
// their kind closes implicitly (a page of a thousand unclosed <p> or <li> is
// ordinary, not deep).
bool never_nests(std::string_view name) {
    static constexpr std::array<std::string_view, 25> kNames = {
        "area",   "base",  "br",     "col",   "embed", "hr",    "img",  "input", "link",
        "meta",   "param", "source", "track", "wbr",   "p",     "li",   "dt",    "dd",
        "option", "tr",    "td",     "th",    "tbody", "thead", "tfoot"};
    return is_one_of(name, kNames);
}

// Elements whose content is text up to their end tag, not markup.
bool holds_raw_text(std::string_view name) {
    static constexpr std::array<std::string_view, 8> kNames = {
        "script", "style", "xmp", "iframe", "noembed", "noframes", "textarea", "title"};
    return is_one_of(name, kNames);
}

struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
};

// One tag as the HTML5 tokenizer reads it: its name and its attributes as
// written (an attribute's span covers its name, "=" and value, quotes
// included). Only the attributes within the bounds are listed.
struct Tag {
    Span name;
    std::vector<Span> kept;
    bool trimmed = false;  // an attribute was left out
    bool self_closing = false;
    bool closing = false;
    std::size_t end = 0;  // past the ">"; nothing when the markup ends first
    bool complete = false;
};

class TagReader {
  public:
    TagReader(std::string_view html, const MarkupBounds& bounds) : html_(html), bounds_(bounds) {}

    // The tag whose "<" (or "</") is at `at`, followed by a letter.
    Tag read(std::size_t at) {
        Tag tag;
        tag.closing = html_[at + 1] == '/';
        pos_ = at + (tag.closing ? 2 : 1);
        tag.name.begin = pos_;
        while (pos_ < html_.size() && !is_space(html_[pos_]) && html_[pos_] != '/' &&
               html_[pos_] != '>')
            ++pos_;
        tag.name.end = pos_;
        std::size_t kept_bytes = 0;
        while (pos_ < html_.size()) {
            const char c = html_[pos_];
            if (is_space(c)) {
                ++pos_;
            } else if (c == '>') {
                tag.end = ++pos_;
                tag.complete = true;
                return tag;
            } else if (c == '/') {
                ++pos_;
                tag.self_closing = pos_ < html_.size() && html_[pos_] == '>';
            } else {
                const Span attribute = read_attribute();
                const bool fits = tag.kept.size() < bounds_.max_attributes &&
                                  attribute.size() <= bounds_.max_attribute_bytes &&
                                  kept_bytes + attribute.size() <= bounds_.max_tag_bytes;
                if (fits) {
                    tag.kept.push_back(attribute);
                    kept_bytes += attribute.size();
                } else {
                    tag.trimmed = true;
                }
            }
        }
        return tag;  // the markup ended inside the tag, which the parser drops
    }

  private:
    Span read_attribute() {
        Span span{pos_, pos_};
        ++pos_;  // a first "=" belongs to the name
        while (pos_ < html_.size() && !is_space(html_[pos_]) && html_[pos_] != '/' &&
               html_[pos_] != '>' && html_[pos_] != '=')
            ++pos_;
        std::size_t after_name = pos_;
        while (after_name < html_.size() && is_space(html_[after_name]))
            ++after_name;
        if (after_name < html_.size() && html_[after_name] == '=') {
            pos_ = after_name + 1;
            while (pos_ < html_.size() && is_space(html_[pos_]))
                ++pos_;
            read_value();
        }
        span.end = pos_;
        return span;
    }

    void read_value() {
        if (pos_ >= html_.size())
            return;
        const char quote = html_[pos_];
        if (quote == '"' || quote == '\'') {
            const std::size_t close = html_.find(quote, pos_ + 1);
            pos_ = close == std::string_view::npos ? html_.size() : close + 1;
            return;
        }
        while (pos_ < html_.size() && !is_space(html_[pos_]) && html_[pos_] != '>')
            ++pos_;
    }

    std::string_view html_;
    const MarkupBounds& bounds_;
    std::size_t pos_ = 0;
};

// Past the end tag "</name" of a raw text element at or after `from`, or the
// end of the markup.
std::size_t end_of_raw_text(std::string_view html, std::size_t from, std::string_view name) {
    for (std::size_t at = html.find("</", from); at != std::string_view::npos;
         at = html.find("</", at + 2)) {
        const std::size_t after = at + 2 + name.size();
        if (after <= html.size() && same_name(html.substr(at + 2, name.size()), name) &&
            (after == html.size() || is_space(html[after]) || html[after] == '/' ||
             html[after] == '>'))
            return at;
    }
    return html.size();
}

// Past a comment, a declaration ("<!DOCTYPE", "<![CDATA[" read as a bogus
// comment), a processing instruction or a bogus end tag ("</ x>").
std::size_t past_markup_declaration(std::string_view html, std::size_t at) {
    if (html.substr(at, 4) == "<!--") {
        if (html.substr(at + 4, 1) == ">")
            return at + 5;
        if (html.substr(at + 4, 2) == "->")
            return at + 6;
        const std::size_t end = html.find("-->", at + 4);
        return end == std::string_view::npos ? html.size() : end + 3;
    }
    const std::size_t end = html.find('>', at + 2);
    return end == std::string_view::npos ? html.size() : end + 1;
}

class Bounder {
  public:
    Bounder(std::string_view html, const MarkupBounds& bounds, std::string& storage)
        : html_(html), bounds_(bounds), reader_(html, bounds), out_(storage) {}

    std::string_view run() {
        std::size_t pos = 0;
        while ((pos = html_.find('<', pos)) != std::string_view::npos) {
            const char next = pos + 1 < html_.size() ? html_[pos + 1] : '\0';
            const bool end_tag = next == '/';
            const char first = end_tag && pos + 2 < html_.size() ? html_[pos + 2] : next;
            if (is_ascii_letter(first)) {
                pos = take_tag(pos);
            } else if (next == '!' || next == '?' || end_tag) {
                pos = past_markup_declaration(html_, pos);
            } else {
                ++pos;  // "2 < 3" is text
            }
        }
        if (!rewritten_)
            return html_;
        out_.append(html_.substr(flushed_));
        return out_;
    }

  private:
    std::size_t take_tag(std::size_t at) {
        const Tag tag = reader_.read(at);
        if (!tag.complete) {
            // The parser drops a tag the markup ends in; so is it here,
            // before it costs the parser anything.
            replace(at, html_.size(), {});
            return html_.size();
        }
        const std::string_view name = html_.substr(tag.name.begin, tag.name.size());
        if (tag.closing) {
            take_end_tag(at, tag);
            return tag.end;
        }
        const bool raw_text = holds_raw_text(name);
        const bool nests = !never_nests(name) && (!tag.self_closing || raw_text);
        if (nests && open_ >= bounds_.max_open_elements && !raw_text) {
            ++left_out_;
            replace(at, tag.end, {});
            return tag.end;
        }
        if (nests)
            ++open_;
        if (tag.trimmed)
            replace(at, tag.end, rewritten(tag));
        return raw_text ? end_of_raw_text(html_, tag.end, name) : tag.end;
    }

    void take_end_tag(std::size_t at, const Tag& tag) {
        const std::string_view name = html_.substr(tag.name.begin, tag.name.size());
        if (never_nests(name))
            return;
        if (left_out_ > 0) {
            --left_out_;
            replace(at, tag.end, {});
            return;
        }
        open_ -= open_ > 0 ? 1 : 0;
        // End tags carry no meaning in their attributes; a long list of
        // them costs the parser the same as on a start tag.
        if (tag.trimmed || !tag.kept.empty()) {
            // Appended piece by piece: GCC 12 at -O3 takes "</" +
            // std::string(...) for an overlapping copy (-Wrestrict).
            std::string bare;
            bare.append("</").append(name).append(">");
            replace(at, tag.end, bare);
        }
    }

    std::string rewritten(const Tag& tag) const {
        std::string text;
        text.append("<").append(html_.substr(tag.name.begin, tag.name.size()));
        for (const Span& attribute : tag.kept) {
            text += ' ';
            text.append(html_.substr(attribute.begin, attribute.size()));
        }
        text += tag.self_closing ? "/>" : ">";
        return text;
    }

    void replace(std::size_t begin, std::size_t end, std::string_view with) {
        if (!rewritten_) {
            out_.clear();
            out_.reserve(html_.size());
            rewritten_ = true;
        }
        out_.append(html_.substr(flushed_, begin - flushed_));
        out_.append(with);
        flushed_ = end;
    }

    std::string_view html_;
    const MarkupBounds& bounds_;
    TagReader reader_;
    std::string& out_;
    bool rewritten_ = false;
    std::size_t flushed_ = 0;
    std::size_t open_ = 0;
    std::size_t left_out_ = 0;
};

}  // namespace

std::string_view bounded_markup(std::string_view html, const MarkupBounds& bounds,
                                std::string& storage) {
    return Bounder(html, bounds, storage).run();
}

}  // namespace papyr::html
