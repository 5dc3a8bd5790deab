#pragma once

// Stand-ins for the frame loop's collaborators: a clock the test sets, an
// effects recorder with an in-memory saved list, and a log collector.

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "main/clock.h"
#include "main/effects.h"
#include "news_api/diagnostics.h"

namespace papyr::test {

class FakeClock final : public Clock {
  public:
    Instant now() override { return now_; }
    void sleep_for(Nanoseconds duration) override {
        sleeps.push_back(duration);
        now_ += duration;
    }
    void set(Instant instant) { now_ = instant; }
    void advance(Nanoseconds duration) { now_ += duration; }

    std::vector<Nanoseconds> sleeps;

  private:
    Instant now_{std::chrono::seconds(1000)};
};

struct FeedRequest {
    std::string source_id;
    std::string category_id;
    std::size_t source_index;
    std::size_t category_index;
    bool operator==(const FeedRequest&) const = default;
};

class RecordingEffects final : public Effects {
  public:
    void start_feed_refresh(const std::string& source_id, const std::string& category_id,
                            std::size_t source_index, std::size_t category_index) override {
        feed_requests.push_back({source_id, category_id, source_index, category_index});
    }
    void start_article_fetch(const std::string& link) override { article_requests.push_back(link); }
    void start_update_install(const OtaManifest& manifest) override {
        installs.push_back(manifest.download_url);
    }
    bool toggle_bookmark(const NewsFeedItem& item) override {
        toggled.push_back(item);
        const auto found = std::find_if(saved.begin(), saved.end(),
                                        [&](const NewsFeedItem& s) { return s.link == item.link; });
        if (found != saved.end()) {
            saved.erase(found);
            return false;
        }
        saved.insert(saved.begin(), item);
        return true;
    }

    std::vector<FeedRequest> feed_requests;
    std::vector<std::string> article_requests;
    std::vector<std::string> installs;
    std::vector<NewsFeedItem> toggled;
    std::vector<NewsFeedItem> saved;
};

struct LogCollector {
    std::vector<std::string> lines;
    LogFn fn() {
        return [this](std::string_view line) { lines.emplace_back(line); };
    }
};

}  // namespace papyr::test
