#include "releases/release_channel.h"

#include <algorithm>
#include <system_error>

#include "base/file_bytes.h"
#include "base/text_file.h"
#include "base/url.h"
#include "base/utf8.h"
#include "news_api/json.h"
#include "update/version.h"

namespace papyr::releases {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr std::string_view kPackageSuffix = ".zip";
constexpr std::size_t kLongestVersion = 64;

ChannelAnswer refusal(std::string reason) {
    ChannelAnswer answer;
    answer.origin = "channel";
    answer.note = "no offer: " + std::move(reason);
    return answer;
}

bool host_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
}

// A Host header fit to be put into a URL as it is: a host or an IP literal
// and an optional port, nothing that could add a path or user information.
bool plain_host(std::string_view host) {
    if (host.empty() || host.size() > 255 || !std::all_of(host.begin(), host.end(), host_character))
        return false;
    const std::optional<Url> parsed = parse_url("https://" + std::string(host));
    return parsed && parsed->path == "/" && !parsed->has_query && !parsed->has_fragment;
}

bool is_package_file(const fs::path& path) {
    const std::string name = path.filename().string();
    return name.ends_with(kPackageSuffix) && name.find(".tmp-") == std::string::npos;
}

std::string fetch_detail(const ChannelDocument& result) {
    return result.detail.empty() ? "no detail" : result.detail;
}

}  // namespace

Result<void> check_channel_url(std::string_view url) {
    const std::optional<Url> parsed = parse_url(url);
    if (!parsed || parsed->scheme != "https")
        return fail("the release channel must be an https:// URL, not \"" + std::string(url) +
                    "\"");
    if (parsed->has_query || parsed->has_fragment || parsed->path.ends_with('/'))
        return fail("the release channel must name the manifest file, without a query: \"" +
                    std::string(url) + "\"");
    return {};
}

bool usable_version_text(std::string_view version) {
    if (version.empty() || version.size() > kLongestVersion || version.front() == '.')
        return false;
    return std::all_of(version.begin(), version.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '+' || c == '-';
    });
}

std::string package_origin(std::string_view host_header, const std::string& listen_host,
                           int listen_port) {
    if (plain_host(host_header))
        return "https://" + std::string(host_header);
    std::string host = listen_host;
    if (host == "0.0.0.0" || host == "::")
        host = "127.0.0.1";
    if (host.find(':') != std::string::npos)
        host = "[" + host + "]";
    return "https://" + host + ":" + std::to_string(listen_port);
}

ReleaseChannel::ReleaseChannel(ChannelSettings settings, ReleaseKey key, fs::path folder,
                               ChannelFetchers fetchers, LogFn log)
    : settings_(std::move(settings)),
      key_(std::move(key)),
      folder_(std::move(folder)),
      fetchers_(std::move(fetchers)),
      log_(std::move(log)) {
    if (const std::optional<Url> parsed = parse_url(settings_.manifest_url))
        channel_host_ = parsed->host;
    std::error_code error;
    fs::create_directories(folder_, error);
    // A download cut short by a crash leaves its temporary file behind.
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
}

ReleaseChannel::~ReleaseChannel() {
    if (downloader_.joinable())
        downloader_.join();
}

ChannelAnswer ReleaseChannel::manifest(std::string_view origin) {
    if (settings_.manifest_url.empty()) {
        ChannelAnswer answer;
        answer.note = "no offer: no release channel is set";
        return answer;
    }
    const auto answer_by = SteadyClock::now() + settings_.answer_within;
    // Concurrent checks share one fetch of the manifest and its signature.
    const Verdict verdict = checks_.run("channel", [this] { return check_channel(); });
    if (!verdict.manifest)
        return refusal(verdict.refusal);
    if (std::optional<std::string> problem = ensure_package(*verdict.manifest, answer_by))
        return refusal(*std::move(problem));

    OtaManifest offered = *verdict.manifest;
    offered.download_url = std::string(origin) + std::string(kPackagePathPrefix) + offered.version +
                           std::string(kPackageSuffix);
    ChannelAnswer answer;
    answer.offer = encode_json(offered, JsonLayout::Compact);
    answer.origin = "channel";
    answer.note = "offer: " + offered.version;
    return answer;
}

ChannelAnswer ReleaseChannel::package(std::string_view name) {
    const std::lock_guard lock(mutex_);
    ChannelAnswer answer;
    if (!kept_ || name != kept_->version + std::string(kPackageSuffix)) {
        answer.note = "no verified package named " + std::string(name);
        return answer;
    }
    answer.package = kept_->path;
    answer.origin = "disk";
    answer.note = "verified package of " + kept_->version;
    return answer;
}

void ReleaseChannel::wait_for_download() {
    std::unique_lock lock(mutex_);
    download_changed_.wait(lock, [&] { return !download_ || !download_->running; });
}

// Nothing from the channel is read before the signature over its exact bytes
// has been checked.
ReleaseChannel::Verdict ReleaseChannel::check_channel() {
    const auto deadline = SteadyClock::now() + settings_.documents_within;
    const ChannelDocument manifest =
        fetchers_.documents({settings_.manifest_url, channel_host_, deadline});
    if (!manifest.ok)
        return {std::nullopt,
                "the channel's manifest cannot be fetched (" + fetch_detail(manifest) + ")"};
    const ChannelDocument signature =
        fetchers_.documents({settings_.manifest_url + ".sig", channel_host_, deadline});
    if (!signature.ok) {
        if (signature.error_status)
            return {std::nullopt, "the channel has no signature next to its manifest (" +
                                      fetch_detail(signature) + ")"};
        return {std::nullopt, "the signature cannot be fetched (" + fetch_detail(signature) + ")"};
    }
    Result<std::string> raw = decode_signature_file(signature.body);
    if (!raw)
        return {std::nullopt, raw.error()};
    if (!key_.verifies(manifest.body, *raw))
        return {std::nullopt, "the manifest's signature is not the release key's"};

    if (find_utf8_error(manifest.body))
        return {std::nullopt, "the signed manifest is not UTF-8"};
    Result<OtaManifest> decoded = decode_ota_manifest(manifest.body);
    if (!decoded)
        return {std::nullopt, "the signed manifest is not a manifest: " + decoded.error()};
    const OtaManifest& offered = *decoded;
    if (!offered.sha256)
        return {std::nullopt, "the signed manifest has no sha256"};
    if (!is_sha256_hex(*offered.sha256))
        return {std::nullopt, "the signed manifest's sha256 is not 64 hexadecimal digits"};
    if (!usable_version_text(offered.version))
        return {std::nullopt, "the signed manifest's version \"" + offered.version +
                                  "\" cannot name a package file"};
    if (!is_newer(parse_version(offered.version), parse_version(settings_.own_version)))
        return {std::nullopt, "version " + offered.version + " is not newer than this release (" +
                                  settings_.own_version + ")"};
    const std::optional<Url> package_url = parse_url(offered.download_url);
    if (!package_url || !host_within(package_url->host, channel_host_))
        return {std::nullopt, "the package's address is not on the channel's host " +
                                  channel_host_ + ": " + offered.download_url};
    return {std::move(decoded).value(), {}};
}

// Nothing when the verified package of `manifest` is kept; otherwise why it
// cannot be offered yet. Starts the download when none runs for it, and
// waits for it until `answer_by`.
std::optional<std::string> ReleaseChannel::ensure_package(const OtaManifest& manifest,
                                                          SteadyClock::time_point answer_by) {
    // sha256_hex writes lowercase; the manifest may use either case.
    std::string sha256 = *manifest.sha256;
    std::transform(sha256.begin(), sha256.end(), sha256.begin(), [](char c) {
        return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    std::unique_lock lock(mutex_);
    if (kept_matches_locked(manifest.version, sha256))
        return std::nullopt;
    // An older release signed long ago and replayed is not taken over a
    // newer one already verified, before or after a restart.
    if (const std::optional<std::string> newest = newest_kept_version();
        newest && is_newer(parse_version(*newest), parse_version(manifest.version)))
        return "version " + manifest.version + " is older than the verified " + *newest;

    const bool same_release =
        download_ && download_->version == manifest.version && download_->sha256 == sha256;
    if (download_ && download_->running && !same_release)
        return "the package of " + download_->version + " is still downloading";
    if (same_release && !download_->running && !download_->failure.empty() &&
        SteadyClock::now() < download_->finished + settings_.retry_download_after)
        return download_->failure;
    if (!same_release || !download_->running) {
        if (downloader_.joinable())
            downloader_.join();  // it has finished: download_ is not running
        download_ = Download{manifest.version, sha256, true, {}, {}};
        downloader_ = std::thread([this, manifest, sha256] { download(manifest, sha256); });
    }
    download_changed_.wait_until(lock, answer_by, [&] { return !download_->running; });
    if (download_->running)
        return "the package of " + manifest.version + " is still downloading";
    if (!download_->failure.empty())
        return download_->failure;
    return std::nullopt;
}

// Also finds a package verified before a restart: the file on disk is
// hashed once and then remembered.
bool ReleaseChannel::kept_matches_locked(const std::string& version, const std::string& sha256) {
    const fs::path path = folder_ / (version + std::string(kPackageSuffix));
    std::error_code error;
    if (kept_ && kept_->version == version && kept_->sha256 == sha256 &&
        fs::is_regular_file(path, error))
        return true;
    if (kept_ && kept_->version == version)
        kept_.reset();  // gone, or the channel now signs other bytes for it
    if (kept_)
        return false;
    // Whatever lies under the package's name: only a regular file is read.
    const std::optional<RegularFile> file = read_regular_file(path, kLargestPackageBytes);
    if (!file || sha256_hex(file->bytes) != sha256)
        return false;
    kept_ = Kept{version, sha256, path};
    remove_other_packages(path);
    return true;
}

void ReleaseChannel::download(OtaManifest manifest, std::string sha256) {
    const auto deadline = SteadyClock::now() + settings_.package_within;
    const ChannelDocument fetched =
        fetchers_.package({manifest.download_url, channel_host_, deadline});
    std::string failure;
    if (!fetched.ok)
        failure = "the package cannot be fetched (" + fetch_detail(fetched) + ")";
    else
        failure = store(manifest, sha256, fetched);
    if (failure.empty())
        log_("[Release] Verified and kept the package of " + manifest.version + " (" +
             std::to_string(fetched.body.size()) + " bytes, sha256 " + sha256 + ")");
    else
        log_("[Release] The package of " + manifest.version + " is refused: " + failure);
    const std::lock_guard lock(mutex_);
    download_->running = false;
    download_->failure = failure;
    download_->finished = SteadyClock::now();
    download_changed_.notify_all();
}

// Checks the package against the signed checksum and keeps it; the reason
// when it is refused or cannot be written.
std::string ReleaseChannel::store(const OtaManifest& manifest, const std::string& sha256,
                                  const ChannelDocument& fetched) {
    const std::string actual = sha256_hex(fetched.body);
    if (actual != sha256)
        return "the package does not match the signed sha256 (got " + actual + ")";
    const fs::path path = folder_ / (manifest.version + std::string(kPackageSuffix));
    std::error_code error;
    fs::create_directories(folder_, error);
    if (!replace_file(path, fetched.body))
        return "the package cannot be written to " + path.string();
    const std::lock_guard lock(mutex_);
    kept_ = Kept{manifest.version, sha256, path};
    remove_other_packages(path);
    return {};
}

// Files are only ever written there once verified, so their names tell
// the newest release verified so far.
std::optional<std::string> ReleaseChannel::newest_kept_version() const {
    std::optional<std::string> newest;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        if (!is_package_file(entry.path()))
            continue;
        const std::string version = entry.path().stem().string();
        if (!newest || is_newer(parse_version(version), parse_version(*newest)))
            newest = version;
    }
    return newest;
}

void ReleaseChannel::remove_other_packages(const fs::path& keep) const {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        if (entry.path() != keep && is_package_file(entry.path())) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
}

}  // namespace papyr::releases
