// The news client's work that runs on the main thread or in a task while the
// user waits: decoding a feed page, loading the saved list and answering an
// article from the offline cache.

#include <benchmark/benchmark.h>

#include <string>

#include "base/text_file.h"
#include "bench_content.h"
#include "news_api/article.h"
#include "news_api/bookmarks.h"
#include "news_api/json.h"

namespace papyr::bench {
namespace {

void decode_feed(benchmark::State& run) {
    FeedResponse response;
    response.success = true;
    response.items = headlines(200);
    const std::string body = encode_json(response, JsonLayout::Compact);
    for (auto _ : run) {
        Result<FeedResponse> decoded = decode_feed_response(body);
        if (!decoded || decoded->items->size() != 200)
            run.SkipWithError("the feed did not decode");
        benchmark::DoNotOptimize(decoded);
    }
    run.SetBytesProcessed(run.iterations() * static_cast<std::int64_t>(body.size()));
}

void load_saved_list(benchmark::State& run) {
    CacheFolder cache;
    save_bookmarks(headlines(1000), cache.locations());
    for (auto _ : run) {
        std::vector<NewsFeedItem> items = load_bookmarks(cache.locations());
        if (items.size() != 1000)
            run.SkipWithError("the saved list did not load");
        benchmark::DoNotOptimize(items);
    }
}

void article_from_cache(benchmark::State& run) {
    CacheFolder cache;
    const ArticleDetail article = long_article();
    if (!replace_file(article_cache_path(article.url, cache.locations()),
                      encode_article_compact(article))) {
        run.SkipWithError("cannot write the cache file");
        return;
    }
    // A server that cannot answer: any request that missed the cache would
    // fail instead of being timed.
    const std::string nowhere = "http://127.0.0.1:9";
    for (auto _ : run) {
        Result<ArticleDetail> found = fetch_article(article.url, cache.locations(), nowhere);
        if (!found || found->paragraphs.size() != 30)
            run.SkipWithError("the article was not answered from the cache");
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(decode_feed)->Name("news/decode_feed_200")->Unit(benchmark::kMicrosecond);
BENCHMARK(load_saved_list)->Name("news/load_bookmarks_1000")->Unit(benchmark::kMicrosecond);
BENCHMARK(article_from_cache)->Name("news/article_cache_hit")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace papyr::bench
