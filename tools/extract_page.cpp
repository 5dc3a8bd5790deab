// papyr-extract-page [--sources sources.json] [--publisher ID] [--rss] URL FILE
// Extracts the article of the page saved in FILE, as fetched from URL, and
// writes the ArticleResponse as indented JSON on standard output. With
// --publisher, the rules and time zone of that publisher in the sources file
// are used. With --rss, the peak resident memory of the process (KiB) is
// written to standard error afterwards.

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "base/text_file.h"
#include "extraction/extract.h"
#include "news_api/json.h"
#include "news_api/json_value.h"

namespace {

using papyr::extraction::SiteRules;

struct Publisher {
    std::string name;
    SiteRules rules;
    int offset_minutes = 0;
};

std::optional<std::string> read_bytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

int parse_offset(std::string_view zone) {
    // "+07:00"
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-'))
        return 0;
    const int minutes =
        ((zone[1] - '0') * 10 + (zone[2] - '0')) * 60 + (zone[4] - '0') * 10 + (zone[5] - '0');
    return zone[0] == '-' ? -minutes : minutes;
}

papyr::Result<Publisher> load_publisher(const std::string& path, std::string_view id) {
    auto text = papyr::read_text_file(path);
    if (!text)
        return papyr::fail("cannot read " + path);
    auto document = papyr::json::parse_value(*text);
    if (!document)
        return papyr::fail(path + ": " + document.error());
    const auto* publishers = document->find("publishers");
    if (publishers == nullptr || publishers->as_array() == nullptr)
        return papyr::fail(path + ": no publishers");
    for (const auto& entry : *publishers->as_array()) {
        const auto* entry_id = entry.find("id");
        if (entry_id == nullptr || entry_id->as_string() == nullptr || *entry_id->as_string() != id)
            continue;
        Publisher publisher;
        if (const auto* name = entry.find("name"); name != nullptr && name->as_string() != nullptr)
            publisher.name = *name->as_string();
        if (const auto* zone = entry.find("timeZone");
            zone != nullptr && zone->as_string() != nullptr)
            publisher.offset_minutes = parse_offset(*zone->as_string());
        if (const auto* rules = entry.find("extraction")) {
            auto parsed = papyr::extraction::parse_site_rules(*rules);
            if (!parsed)
                return papyr::fail(std::string(id) + " extraction: " + parsed.error());
            publisher.rules = std::move(*parsed);
        }
        return publisher;
    }
    return papyr::fail("no publisher " + std::string(id) + " in " + path);
}

int usage() {
    std::fputs("usage: papyr-extract-page [--sources FILE] [--publisher ID] [--rss] URL FILE\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sources;
    std::string publisher_id;
    bool report_rss = false;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        const std::string_view option = argv[arg];
        if (option == "--rss")
            report_rss = true;
        else if (option == "--sources" && arg + 1 < argc)
            sources = argv[++arg];
        else if (option == "--publisher" && arg + 1 < argc)
            publisher_id = argv[++arg];
        else
            return usage();
    }
    if (argc - arg != 2)
        return usage();
    Publisher publisher;
    if (!publisher_id.empty()) {
        auto loaded = load_publisher(sources, publisher_id);
        if (!loaded) {
            std::fprintf(stderr, "%s\n", loaded.error().c_str());
            return 2;
        }
        publisher = std::move(*loaded);
    }
    const auto bytes = read_bytes(argv[arg + 1]);
    if (!bytes) {
        std::fprintf(stderr, "cannot read %s\n", argv[arg + 1]);
        return 2;
    }
    const papyr::extraction::Page page{
        .bytes = *bytes,
        .url = argv[arg],
        .source_name = publisher.name,
        .rules = publisher_id.empty() ? nullptr : &publisher.rules,
        .default_utc_offset_minutes = publisher.offset_minutes,
    };
    auto article = papyr::extraction::extract_article(page);
    papyr::ArticleResponse response;
    response.success = article.has_value();
    if (article)
        response.article = std::move(*article);
    else
        response.error = article.error();
    std::puts(papyr::encode_json(response, papyr::JsonLayout::Indented).c_str());
    if (report_rss) {
        rusage usage_now{};
        getrusage(RUSAGE_SELF, &usage_now);
        std::fprintf(stderr, "peak_rss_kib %ld\n", usage_now.ru_maxrss);
    }
    return 0;
}
