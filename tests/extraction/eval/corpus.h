#pragma once

// The corpus of real article pages in tests/extraction/corpus: each page's
// file and what the extraction should return for it. The pages stay gzipped
// on disk and are read one at a time, so that a run over the whole corpus
// holds one page in memory, not eighty megabytes.

#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"

namespace papyr::extraction::eval {

struct CorpusPage {
    std::string set;             // the corpus folder: "fundus", "readability-pages"
    std::string name;            // within the set: "us/APNews_2023_04_28", "ars-1"
    std::filesystem::path file;  // the page, gzipped
    std::string expected_text;   // the body's text, paragraphs joined by line feeds
    std::string expected_title;  // empty when the set's titles are no person's
    bool article = true;         // false: the page holds no article
};

// The whole content of a gzipped file.
[[nodiscard]] Result<std::string> read_gzip_file(const std::filesystem::path& path);

// fundus/: COUNTRY/NAME.html.gz beside its hand-checked COUNTRY/NAME.json.
[[nodiscard]] Result<std::vector<CorpusPage>> read_fundus_set(const std::filesystem::path& folder);

// readability-pages/: NAME/source.html.gz with the extractor's
// NAME/expected.html.gz and NAME/expected-metadata.json.
[[nodiscard]] Result<std::vector<CorpusPage>> read_readability_set(
    const std::filesystem::path& folder);

}  // namespace papyr::extraction::eval
