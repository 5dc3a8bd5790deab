#include "news_api/article.h"

#include <optional>

#include "base/text_file.h"
#include "news_api/fetch.h"
#include "news_api/json.h"
#include "news_api/percent_encode.h"
#include "news_api/url_hash.h"

namespace papyr {
namespace {

std::optional<ArticleDetail> read_cached_article(const std::filesystem::path& path) {
    const std::optional<std::string> text = read_text_file(path);
    if (!text)
        return std::nullopt;
    Result<ArticleDetail> article = decode_article_detail(*text);
    if (!article)
        return std::nullopt;
    return std::move(article).value();
}

// Through a temporary file and a rename: another task looking the article up
// at the same moment must meet the old file or the new one, never half of it.
void cache_article(const ArticleDetail& article, const CacheLocations& locations) {
    (void)replace_file(article_cache_path(article.url, locations), encode_article_compact(article));
}

}  // namespace

std::filesystem::path article_cache_path(std::string_view url, const CacheLocations& locations) {
    return cache_dir(locations) / article_cache_file_name(url);
}

std::string article_request_url(std::string_view base_url, std::string_view url) {
    std::string request(base_url);
    request += "/article?url=";
    request += percent_encode(url);
    return request;
}

Result<ArticleDetail> article_from_body(std::string_view body) {
    Result<ArticleResponse> response = decode_article_response(body);
    if (!response)
        return fail("Lỗi phân tích nội dung bài viết: " + response.error());
    if (!response->success)
        return fail(response->error.value_or("Không thể tải bài báo này"));
    if (!response->article)
        return fail("Nội dung bài viết trống");
    return std::move(*response->article);
}

Result<ArticleDetail> fetch_article(const std::string& url, const CacheLocations& locations,
                                    std::string_view base_url) {
    if (std::optional<ArticleDetail> cached =
            read_cached_article(article_cache_path(url, locations))) {
        return std::move(*cached);
    }
    Result<std::string> body = fetch_url(article_request_url(base_url, url));
    if (!body)
        return fail(std::move(body).error());
    Result<ArticleDetail> article = article_from_body(*body);
    if (article) {
        // Named after the server's url, which normally equals the asked one.
        cache_article(*article, locations);
    }
    return article;
}

}  // namespace papyr
