// libFuzzer target for the JSON reader and writer. Every input goes through
// all five decoders. Besides memory safety (checked by the sanitizers) it
// checks that a failure always carries a positioned description, and that
// whatever decodes is written back in both layouts as text that decodes to
// the same record and is written again byte for byte the same. The input's
// bytes also become the texts of records that are written and read back, so
// the writer's escaping meets every byte value.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"
#include "news_api/json.h"

namespace {

using papyr::ArticleDetail;
using papyr::ArticleResponse;
using papyr::FeedResponse;
using papyr::NewsFeedItem;
using papyr::OtaManifest;
using Headlines = std::vector<NewsFeedItem>;

[[noreturn]] void fail_check(const char* what, std::string_view detail) {
    std::fprintf(stderr, "check failed: %s\n%.*s\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

papyr::Result<FeedResponse> decode(std::string_view text, const FeedResponse*) {
    return papyr::decode_feed_response(text);
}
papyr::Result<ArticleResponse> decode(std::string_view text, const ArticleResponse*) {
    return papyr::decode_article_response(text);
}
papyr::Result<ArticleDetail> decode(std::string_view text, const ArticleDetail*) {
    return papyr::decode_article_detail(text);
}
papyr::Result<Headlines> decode(std::string_view text, const Headlines*) {
    return papyr::decode_news_feed_items(text);
}
papyr::Result<OtaManifest> decode(std::string_view text, const OtaManifest*) {
    return papyr::decode_ota_manifest(text);
}

// A size that does not fit a float is written as null, which does not read
// back as a number; every other record must survive writing and reading.
bool can_be_written(const OtaManifest& manifest) {
    return std::isfinite(manifest.size_mb);
}
template <class Record>
bool can_be_written(const Record&) {
    return true;
}

template <class Record>
void check_written(const Record& record) {
    if (!can_be_written(record))
        return;
    for (const auto layout : {papyr::JsonLayout::Compact, papyr::JsonLayout::Indented}) {
        const std::string written = papyr::encode_json(record, layout);
        const auto back = decode(written, &record);
        if (!back)
            fail_check("written text does not decode", back.error() + "\n" + written);
        if (!(*back == record))
            fail_check("writing and reading changed the record", written);
        if (papyr::encode_json(*back, layout) != written) {
            fail_check("second write differs", written);
        }
    }
}

bool ends_with_position(const std::string& error) {
    const std::size_t at = error.rfind(" at line ");
    if (at == std::string::npos || at == 0)
        return false;
    const std::size_t column = error.find(" column ", at);
    return column != std::string::npos && column + 8 < error.size();
}

template <class Record>
void check_decoded(std::string_view text) {
    const auto record = decode(text, static_cast<const Record*>(nullptr));
    if (!record) {
        if (!ends_with_position(record.error())) {
            fail_check("error without position", record.error());
        }
        return;
    }
    check_written(*record);
}

// Records whose texts are pieces of the input (split at '|', made valid
// UTF-8): whatever they hold must survive writing and reading.
void check_records_from_bytes(std::string_view bytes) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t bar = bytes.find('|'); bar != std::string_view::npos;
         start = bar + 1, bar = bytes.find('|', start)) {
        pieces.push_back(papyr::to_utf8_lossy(bytes.substr(start, bar - start)));
    }
    pieces.push_back(papyr::to_utf8_lossy(bytes.substr(start)));
    const auto piece = [&](std::size_t i) { return i < pieces.size() ? pieces[i] : std::string(); };
    const auto optional_piece = [&](std::size_t i) {
        return i < pieces.size() ? std::optional<std::string>(pieces[i]) : std::nullopt;
    };

    ArticleDetail article{piece(0), piece(1),          piece(2),
                          piece(3), optional_piece(4), optional_piece(5),
                          {},       bytes.size(),      pieces.size()};
    for (std::size_t i = 6; i < pieces.size(); ++i)
        article.paragraphs.push_back(pieces[i]);
    const NewsFeedItem item{piece(0),          piece(1),          piece(2), piece(3), piece(4),
                            optional_piece(5), optional_piece(6), piece(7), piece(8), piece(9)};
    float size = 0;
    if (!bytes.empty())
        std::memcpy(&size, bytes.data(), std::min(sizeof size, bytes.size()));

    check_written(article);
    check_written(Headlines{item, item});
    check_written(FeedResponse{true, Headlines{item}, piece(1)});
    check_written(ArticleResponse{false, article, optional_piece(2)});
    check_written(OtaManifest{piece(0), piece(1), piece(2), piece(3), size, optional_piece(4)});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check_decoded<FeedResponse>(bytes);
    check_decoded<ArticleResponse>(bytes);
    check_decoded<ArticleDetail>(bytes);
    check_decoded<Headlines>(bytes);
    check_decoded<OtaManifest>(bytes);
    check_records_from_bytes(bytes);
    return 0;
}
