#pragma once

// Stand-ins for the frame loop's collaborators: a clock the test sets, an
// effects recorder with an in-memory saved list, a log collector, an
// environment, and readers of the message channel.

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "base/diagnostics.h"
#include "main/app_state.h"
#include "main/catalogue.h"
#include "main/channel.h"
#include "main/clock.h"
#include "main/device_profile.h"
#include "main/effects.h"
#include "main/main_loop.h"
#include "main/messages.h"

namespace papyr::test {

class FakeClock final : public Clock {
  public:
    Instant now() override { return now_; }
    void sleep_for(Nanoseconds duration) override {
        sleeps.push_back(duration);
        now_ += duration;
    }
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

// The frame loop around a renderer: its channels, clock, effects and log,
// and a state whose startup guards have passed.
struct FrameLoop {
    explicit FrameLoop(FrameRenderer& renderer)
        : io{actions.second, messages.second, clock, effects, log.fn(), renderer, nullptr} {}
    void run_frame() { (void)papyr::run_frame(state, io); }

    FakeClock clock;
    RecordingEffects effects;
    LogCollector log;
    std::pair<Sender<Action>, Receiver<Action>> actions = make_channel<Action>();
    std::pair<Sender<WorkerMessage>, Receiver<WorkerMessage>> messages =
        make_channel<WorkerMessage>();
    MainLoopIo io;
    AppState state = make_initial_state(build_catalogue(), clock.now() - std::chrono::seconds(10));
};

inline EnvLookup env_of(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const std::string& name) -> std::optional<std::string> {
        const auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    };
}

// A message as a short text, so that tests compare whole sequences of them.
inline std::string describe(const WorkerMessage& message) {
    return std::visit(
        [](const auto& m) -> std::string {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, FeedLoaded>) {
                std::string text = "FeedLoaded " + std::to_string(m.source_index) + "/" +
                                   std::to_string(m.category_index) + ":";
                for (const NewsFeedItem& item : m.items)
                    text += " " + item.id;
                return text;
            } else if constexpr (std::is_same_v<M, ArticleLoaded>) {
                return "ArticleLoaded: " + m.article.url + " " + m.article.title;
            } else if constexpr (std::is_same_v<M, UpdateAvailable>) {
                return "UpdateAvailable: " + m.manifest.version;
            } else if constexpr (std::is_same_v<M, UpdateInstalling>) {
                return "UpdateInstalling";
            } else if constexpr (std::is_same_v<M, FeedFailed>) {
                return "FeedFailed: " + m.error;
            } else if constexpr (std::is_same_v<M, ArticleFailed>) {
                return "ArticleFailed: " + m.error;
            } else {
                static_assert(std::is_same_v<M, UpdateFailed>);
                return "UpdateFailed: " + m.error;
            }
        },
        message);
}

// Every message sent so far, described, oldest first.
inline std::vector<std::string> drain(Receiver<WorkerMessage>& receiver) {
    std::vector<std::string> messages;
    while (auto message = receiver.try_receive())
        messages.push_back(describe(*message));
    return messages;
}

// Waits (up to 20 seconds) for `count` messages from other threads.
inline std::vector<std::string> wait_for_messages(Receiver<WorkerMessage>& receiver,
                                                  std::size_t count) {
    std::vector<std::string> messages;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (messages.size() < count && std::chrono::steady_clock::now() < deadline) {
        if (auto message = receiver.try_receive())
            messages.push_back(describe(*message));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return messages;
}

}  // namespace papyr::test
