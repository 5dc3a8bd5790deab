#include "feeds/feed_encoding.h"

#include <optional>

#include "html/charset.h"

namespace papyr::feeds {
namespace {

using html::Charset;

// UTF-16 without a byte-order mark still starts with "<?xml" in its own
// code units.
std::optional<Charset> utf16_by_its_start(std::string_view document) {
    if (document.substr(0, 4) == std::string_view("<\0?\0", 4))
        return Charset::Utf16Le;
    if (document.substr(0, 4) == std::string_view("\0<\0?", 4))
        return Charset::Utf16Be;
    return std::nullopt;
}

// The label of `encoding="…"` in the XML declaration the document opens
// with; empty when there is none.
std::string_view declared_encoding(std::string_view document) {
    constexpr std::size_t kLongestDeclaration = 512;
    if (document.substr(0, 5) != "<?xml")
        return {};
    const std::string_view declaration =
        document.substr(0, std::min(document.find("?>"), kLongestDeclaration));
    std::size_t pos = declaration.find("encoding");
    if (pos == std::string_view::npos)
        return {};
    pos = declaration.find_first_not_of(" \t\r\n", pos + 8);
    if (pos == std::string_view::npos || declaration[pos] != '=')
        return {};
    pos = declaration.find_first_not_of(" \t\r\n", pos + 1);
    if (pos == std::string_view::npos || (declaration[pos] != '"' && declaration[pos] != '\''))
        return {};
    const std::size_t end = declaration.find(declaration[pos], pos + 1);
    if (end == std::string_view::npos)
        return {};
    return declaration.substr(pos + 1, end - pos - 1);
}

Charset feed_charset(std::string_view document, std::string_view declared_charset) {
    if (const auto from_bom = html::charset_from_bom(document))
        return *from_bom;
    if (const auto from_server = html::charset_from_label(declared_charset))
        return *from_server;
    if (const auto utf16 = utf16_by_its_start(document))
        return *utf16;
    if (const auto from_document = html::charset_from_label(declared_encoding(document))) {
        // A declaration read byte by byte as ASCII cannot really be UTF-16.
        if (*from_document != Charset::Utf16Le && *from_document != Charset::Utf16Be)
            return *from_document;
    }
    return Charset::Utf8;
}

}  // namespace

std::string feed_in_utf8(std::string_view document, std::string_view declared_charset) {
    return html::decode_to_utf8(document, feed_charset(document, declared_charset));
}

}  // namespace papyr::feeds
