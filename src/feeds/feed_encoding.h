#pragma once

// A feed document in UTF-8, whatever character set it was written in. The
// XML parser itself reads only UTF-8, UTF-16 and Latin-1; feeds in the
// Vietnamese windows-1258 or any other set the extraction reads pages in
// (windows-1252, KOI8-R, …) are converted first, by the same tables.

#include <string>
#include <string_view>

namespace papyr::feeds {

// The set is taken, in this order of trust, from a byte-order mark, the
// charset the server declared with the document, the document's XML
// declaration (`<?xml … encoding="windows-1258"?>`), and otherwise UTF-8.
// Bytes that mean nothing in the set become U+FFFD; combining marks after a
// letter are composed with it (windows-1258 writes "ế" as "ê" and a tone).
[[nodiscard]] std::string feed_in_utf8(std::string_view document,
                                       std::string_view declared_charset);

}  // namespace papyr::feeds
