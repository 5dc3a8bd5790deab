#include "news_server/catalogue.h"

#include <array>

namespace papyr::news_server {

std::span<const CatalogueEntry> reader_catalogue() {
    static constexpr std::array<CatalogueEntry, 28> kEntries{{
        {"vnexpress", "tin-moi"},   {"vnexpress", "thoi-su"},    {"vnexpress", "the-gioi"},
        {"vnexpress", "cong-nghe"}, {"vnexpress", "kinh-doanh"},

        {"tuoitre", "tin-moi"},     {"tuoitre", "thoi-su"},      {"tuoitre", "the-gioi"},
        {"tuoitre", "cong-nghe"},   {"tuoitre", "kinh-doanh"},

        {"dantri", "tin-moi"},      {"dantri", "xa-hoi"},        {"dantri", "the-gioi"},
        {"dantri", "cong-nghe"},    {"dantri", "kinh-doanh"},

        {"thanhnien", "tin-moi"},   {"thanhnien", "thoi-su"},    {"thanhnien", "the-gioi"},
        {"thanhnien", "cong-nghe"}, {"thanhnien", "kinh-te"},

        {"bbc-vn", "tin-moi"},

        {"bbc-world", "world"},     {"bbc-world", "technology"}, {"bbc-world", "business"},
        {"bbc-world", "science"},

        {"guardian", "world"},      {"guardian", "technology"},  {"guardian", "environment"},
    }};
    return kEntries;
}

}  // namespace papyr::news_server
