#pragma once

// Asks the update server whether a release newer than this build exists. The
// manifest is fetched with curl, first from the update server and, when that
// endpoint cannot be reached, from a fallback on the loopback address. The
// check never produces a user-visible error: every outcome but a newer
// release ends quietly, after the diagnostic lines it writes.

#include <string>
#include <variant>

#include "base/diagnostics.h"
#include "news_api/endpoints.h"
#include "news_api/records.h"

namespace papyr {

inline constexpr char FALLBACK_MANIFEST_URL[] = "http://127.0.0.1:4549/ota/papyr.json";

// Where the manifest is asked for. The program uses the defaults; tests point
// them at their own servers or at closed ports.
struct ManifestEndpoints {
    std::string primary{update_manifest_url()};
    std::string fallback = FALLBACK_MANIFEST_URL;
};

struct NewerRelease {
    OtaManifest manifest;
};
struct UpToDate {};
// Neither endpoint gave an answer (curl missing, failed, killed, or silent).
struct Unreachable {};
// An endpoint answered with something that is not a manifest; the decoder's
// description is kept for tests and debugging, never shown.
struct InvalidManifest {
    std::string error;
};

using UpdateCheckOutcome = std::variant<NewerRelease, UpToDate, Unreachable, InvalidManifest>;

// Blocks in curl: at most about 10 seconds for the primary endpoint and 6 for
// the fallback.
[[nodiscard]] UpdateCheckOutcome check_for_update(const LogFn& log,
                                                  const ManifestEndpoints& endpoints = {});

}  // namespace papyr
