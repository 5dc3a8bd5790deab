#pragma once

// Runs tests/support/news_server.py, the stand-in news API server, on a free
// loopback port for the lifetime of the object: the constructor returns once
// the server listens, the destructor stops it. Throws std::runtime_error when
// the server cannot start (with its output in the message).

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp.h"

namespace papyr::test {

struct NewsServerOptions {
    // More command-line options of news_server.py, for example
    // {"--fallback-port", "0", "--packages", dir, "--route-fault", "manifest=newer-version"}.
    std::vector<std::string> extra_arguments;
};

class LocalNewsServer {
  public:
    explicit LocalNewsServer(const NewsServerOptions& options = {});
    ~LocalNewsServer();
    LocalNewsServer(const LocalNewsServer&) = delete;
    LocalNewsServer& operator=(const LocalNewsServer&) = delete;

    // "https://127.0.0.1:<port>", without a trailing slash.
    const std::string& origin() const { return origin_; }
    // "http://127.0.0.1:<port>" when the server was given --fallback-port,
    // otherwise empty.
    const std::string& fallback_origin() const { return fallback_origin_; }
    // origin() + "/api/v1/news", the base of the news requests.
    std::string api_base_url() const { return origin_ + "/api/v1/news"; }

    // Every request served so far (control requests excepted), oldest first,
    // as "METHOD TARGET" with the target exactly as the client sent it.
    std::vector<std::string> requests() const;

    // Changes the fault mode while the server runs. `route` is "all", "feed"
    // or "article"; `times` limits the fault to that many requests of each
    // route. Mode "none" restores normal answers.
    void set_fault(const std::string& mode, const std::string& route = "all",
                   std::optional<int> times = std::nullopt);

    // Where the server script lives in the source tree.
    static std::filesystem::path script_path();

  private:
    void stop();
    std::string server_output() const;

    TempDir dir_;
    pid_t pid_ = -1;
    int stdin_fd_ = -1;  // the server exits when this closes, even if the test crashes
    std::string origin_;
    std::string fallback_origin_;
};

}  // namespace papyr::test
