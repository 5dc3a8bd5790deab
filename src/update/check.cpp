#include "update/check.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/process.h"
#include "base/utf8.h"
#include "news_api/json.h"
#include "update/version.h"

namespace papyr {
namespace {

// IPv4 only, any certificate, no progress output, redirects followed. The
// fallback sits on the loopback address, so it gets shorter limits.
std::vector<std::string> primary_arguments(const std::string& url) {
    return {"-4", "-k", "-s", "-L", "--connect-timeout", "5", "--max-time", "10", url};
}

std::vector<std::string> fallback_arguments(const std::string& url) {
    return {"-4", "-k", "-s", "-L", "--connect-timeout", "3", "--max-time", "6", url};
}

// The body, when curl ran, exited with 0 and wrote something. An HTTP error
// page passes here; decoding rejects it later. Standard error is captured
// only to keep it out of the program's own.
std::optional<std::string> fetch_manifest_body(const std::vector<std::string>& arguments) {
    ProcessOutcome outcome =
        run_process("curl", arguments, {StreamMode::Capture, StreamMode::Capture});
    auto* ended = std::get_if<ProcessExit>(&outcome);
    if (ended == nullptr || !ended->succeeded() || ended->stdout_bytes.empty())
        return std::nullopt;
    return std::move(ended->stdout_bytes);
}

}  // namespace

UpdateCheckOutcome check_for_update(const LogFn& log, const ManifestEndpoints& endpoints) {
    log("[OTA] Checking for updates from: " + endpoints.primary);
    std::optional<std::string> body = fetch_manifest_body(primary_arguments(endpoints.primary));
    if (!body) {
        log("[OTA] Primary endpoint unreachable, checking fallback...");
        body = fetch_manifest_body(fallback_arguments(endpoints.fallback));
        if (!body)
            return Unreachable{};
    }

    Result<OtaManifest> manifest = decode_ota_manifest(to_utf8_lossy(*body));
    if (!manifest)
        return InvalidManifest{std::move(manifest).error()};

    if (is_newer(parse_version(manifest->version), parse_version(CURRENT_VERSION))) {
        log("[OTA] Found new version: " + manifest->version + " (current: " + CURRENT_VERSION +
            ")");
        return NewerRelease{std::move(manifest).value()};
    }
    log(std::string("[OTA] App is already up to date: ") + CURRENT_VERSION);
    return UpToDate{};
}

}  // namespace papyr
