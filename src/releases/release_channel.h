#pragma once

// The release channel: the service offers the reader an update only when the
// project's release key vouches for it. Each check fetches the channel's
// manifest and its detached signature (verified TLS, the channel's host
// only), verifies the Ed25519 signature over the manifest's exact bytes,
// decodes the manifest strictly, and requires a version newer than this
// release and a "sha256". The package is then downloaded once into the data
// folder, written there only after its SHA-256 matched, and kept until a
// newer release replaces it. The reader gets the signed manifest with its
// "download_url" pointing at this service, which serves the verified copy.
//
// Every refusal is an answer without an offer (the service answers 404,
// which the reader takes for "no update") with the reason for the request's
// log line. The channel knows nothing of HTTP serving or of curl: the
// service turns its answers into replies and gives it fetchers.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "base/diagnostics.h"
#include "base/single_flight.h"
#include "news_api/records.h"
#include "releases/release_signature.h"

namespace papyr::releases {

// The path under which the service serves the verified package.
inline constexpr std::string_view kPackagePathPrefix = "/ota/package/";
// The largest package downloaded, or read back from the data folder.
inline constexpr std::size_t kLargestPackageBytes = 32 * 1024 * 1024;

struct ChannelSettings {
    // The signed manifest; the signature is this URL with ".sig" appended.
    // Empty: no channel, no update is ever offered.
    std::string manifest_url;
    std::string own_version;  // offers must be newer than this
    // Manifest and signature together, within the reader's ten seconds.
    std::chrono::milliseconds documents_within{4000};
    // How long a check waits for the package before it answers; a download
    // still running then goes on, and a later check offers it.
    std::chrono::milliseconds answer_within{8000};
    std::chrono::seconds package_within{300};
    // A download that failed is not tried again for the same release before
    // this has passed: a bad package is not fetched anew for every reader.
    std::chrono::seconds retry_download_after{60};
};

using SteadyTime = std::chrono::steady_clock::time_point;

// One document of the channel: the URL, and every redirect on the way to it,
// on the channel's host only, verified TLS, done by the deadline.
struct ChannelRequest {
    std::string url;
    std::string host;
    SteadyTime deadline;
};

struct ChannelDocument {
    bool ok = false;
    // The server answered with an error status (no such file), as opposed
    // to the document not being reachable at all.
    bool error_status = false;
    std::string body;    // when ok
    std::string detail;  // for the log: "curl exit 6", "HTTP 404", …
};

using ChannelFetch = std::function<ChannelDocument(const ChannelRequest&)>;

// The seams the channel fetches through: small documents (manifest and
// signature) and the package, each with its own size and time limits.
struct ChannelFetchers {
    ChannelFetch documents;
    ChannelFetch package;
};

// What the channel answers: an offer (the signed manifest as JSON), the
// verified package's file, or neither, and for the log line where it came
// from ("channel", "disk" or "-") and what happened.
struct ChannelAnswer {
    std::optional<std::string> offer;
    std::optional<std::filesystem::path> package;
    std::string origin = "-";
    std::string note;
};

// The channel's URL must be https with a host, and neither a query nor a
// fragment (the signature's URL is made by appending ".sig").
[[nodiscard]] Result<void> check_channel_url(std::string_view url);

// Whether a version text can name the package's file and its path: letters,
// digits, ".", "_", "+", "-", at most 64, not starting with ".".
[[nodiscard]] bool usable_version_text(std::string_view version);

// The origin the reader reaches this service at, for the offered
// "download_url": the request's Host when it is a plain host[:port], else the
// listening address (127.0.0.1 for a wildcard one).
[[nodiscard]] std::string package_origin(std::string_view host_header,
                                         const std::string& listen_host, int listen_port);

class ReleaseChannel {
  public:
    // `folder` holds the verified package, "<version>.zip".
    ReleaseChannel(ChannelSettings settings, ReleaseKey key, std::filesystem::path folder,
                   ChannelFetchers fetchers, LogFn log);
    ~ReleaseChannel();
    ReleaseChannel(const ReleaseChannel&) = delete;
    ReleaseChannel& operator=(const ReleaseChannel&) = delete;

    // The answer to GET /ota/papyr.json; `origin` is where the package is
    // offered ("https://127.0.0.1:4548").
    [[nodiscard]] ChannelAnswer manifest(std::string_view origin);
    // The answer to GET /ota/package/<name>: the verified copy, or none.
    [[nodiscard]] ChannelAnswer package(std::string_view name);

    // Waits until no download runs (tests).
    void wait_for_download();

  private:
    // The signed manifest when it passes every check, or why it does not.
    struct Verdict {
        std::optional<OtaManifest> manifest;
        std::string refusal;
    };
    struct Kept {
        std::string version;
        std::string sha256;  // lowercase
        std::filesystem::path path;
    };
    struct Download {
        std::string version;
        std::string sha256;
        bool running = true;
        std::string failure;  // empty when it succeeded
        std::chrono::steady_clock::time_point finished;
    };

    Verdict check_channel();
    std::optional<std::string> ensure_package(const OtaManifest& manifest,
                                              std::chrono::steady_clock::time_point answer_by);
    bool kept_matches_locked(const std::string& version, const std::string& sha256);
    void download(OtaManifest manifest, std::string sha256);
    std::string store(const OtaManifest& manifest, const std::string& sha256,
                      const ChannelDocument& fetched);
    std::optional<std::string> newest_kept_version() const;
    void remove_other_packages(const std::filesystem::path& keep) const;

    ChannelSettings settings_;
    ReleaseKey key_;
    std::filesystem::path folder_;
    ChannelFetchers fetchers_;
    LogFn log_;
    std::string channel_host_;

    SingleFlight<Verdict> checks_;
    std::mutex mutex_;
    std::condition_variable download_changed_;
    std::optional<Kept> kept_;
    std::optional<Download> download_;
    std::thread downloader_;
};

}  // namespace papyr::releases
