#include "corpus.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "extraction/html.h"
#include "news_api/json_value.h"

namespace papyr::extraction::eval {
namespace {

namespace fs = std::filesystem;

Result<std::string> read_plain_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return fail("cannot open " + path.string());
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

Result<json::Value> read_json_file(const fs::path& path) {
    auto text = read_plain_file(path);
    if (!text)
        return fail(std::move(text).error());
    auto value = json::parse_value(*text);
    if (!value)
        return fail(path.string() + ": " + value.error());
    return value;
}

std::string string_member(const json::Value& object, std::string_view key) {
    const json::Value* value = object.find(key);
    return value != nullptr && value->as_string() != nullptr ? *value->as_string() : "";
}

// The truth's paragraphs as one text; "## " marks a subheading, which is
// text like any other for the score.
std::string joined_body(const json::Value& truth) {
    std::string text;
    const json::Value* body = truth.find("body");
    if (body == nullptr || body->as_array() == nullptr)
        return text;
    for (const auto& entry : *body->as_array()) {
        if (entry.as_string() == nullptr)
            continue;
        std::string_view paragraph = *entry.as_string();
        if (paragraph.substr(0, 3) == "## ")
            paragraph.remove_prefix(3);
        text += text.empty() ? "" : "\n";
        text += paragraph;
    }
    return text;
}

// Sorted paths, so that every run lists the pages in the same order.
std::vector<fs::path> sorted_entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The text of cleaned HTML, with a space wherever a block starts or ends.
Result<std::string> html_text(const fs::path& path) {
    auto html = read_gzip_file(path);
    if (!html)
        return fail(std::move(html).error());
    auto document = parse_html(*html);
    if (!document)
        return fail(path.string() + ": " + document.error());
    return document->raw_text(document->root());
}

}  // namespace

Result<std::string> read_gzip_file(const fs::path& path) {
    const std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(path.c_str(), "rb"), gzclose);
    if (!file)
        return fail("cannot open " + path.string());
    std::string content;
    char buffer[1 << 16];
    int read = 0;
    while ((read = gzread(file.get(), buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<std::size_t>(read));
    if (read < 0)
        return fail("cannot decompress " + path.string());
    return content;
}

Result<std::vector<CorpusPage>> read_fundus_set(const fs::path& folder) {
    std::vector<CorpusPage> pages;
    for (const auto& country : sorted_entries(folder)) {
        if (!fs::is_directory(country))
            continue;
        for (const auto& file : sorted_entries(country)) {
            if (file.extension() != ".json")
                continue;
            auto truth = read_json_file(file);
            if (!truth)
                return fail(std::move(truth).error());
            CorpusPage page;
            page.set = "fundus";
            page.name = (country.filename() / file.stem()).string();
            page.file = fs::path(file).replace_extension(".html.gz");
            page.expected_text = joined_body(*truth);
            page.expected_title = string_member(*truth, "title");
            pages.push_back(std::move(page));
        }
    }
    if (pages.empty())
        return fail("no pages in " + folder.string());
    return pages;
}

Result<std::vector<CorpusPage>> read_readability_set(const fs::path& folder) {
    std::vector<CorpusPage> pages;
    for (const auto& entry : sorted_entries(folder)) {
        if (!fs::is_directory(entry))
            continue;
        auto metadata = read_json_file(entry / "expected-metadata.json");
        if (!metadata)
            return fail(std::move(metadata).error());
        auto expected = html_text(entry / "expected.html.gz");
        if (!expected)
            return fail(std::move(expected).error());
        const json::Value* readerable = metadata->find("readerable");
        CorpusPage page;
        page.set = "readability-pages";
        page.name = entry.filename().string();
        page.file = entry / "source.html.gz";
        page.expected_text = std::move(*expected);
        page.article =
            readerable == nullptr || readerable->as_bool() == nullptr || *readerable->as_bool();
        pages.push_back(std::move(page));
    }
    if (pages.empty())
        return fail("no pages in " + folder.string());
    return pages;
}

}  // namespace papyr::extraction::eval
