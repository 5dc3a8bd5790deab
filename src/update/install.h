#pragma once

// Downloads an offered release package, checks it against the manifest's
// checksum when the manifest carries one, and unpacks it over the
// installation folder with curl, sha256sum, unzip and chmod. On success the
// caller ends the process with RESTART_EXIT_STATUS, and the release's
// launch.sh starts the new program.

#include <optional>
#include <string>

#include "base/diagnostics.h"
#include "base/result.h"
#include "news_api/records.h"

namespace papyr {

inline constexpr char DOWNLOAD_FAILED_TEXT[] = "Failed to download update package";
inline constexpr char EXTRACT_FAILED_TEXT[] = "Failed to extract update package";

// launch.sh starts the program again when it ends with this status.
inline constexpr int RESTART_EXIT_STATUS = 42;

// The fixed paths of the install. The program uses the defaults; tests give
// their own folders.
struct InstallPaths {
    std::string app_dir = "/mnt/SDCARD/Apps/papyr";
    std::string package = "/tmp/papyr-update.zip";
    // A symbolic link to the running executable, read when app_dir is absent.
    std::string executable_link = "/proc/self/exe";
};

// What an install needs from the manifest.
struct InstallRequest {
    std::string download_url;
    std::optional<std::string> sha256;  // hexadecimal, any letter case
};

[[nodiscard]] InstallRequest install_request_for(const OtaManifest& manifest);

// app_dir when it exists (any kind of file); otherwise the folder two levels
// above the running executable (which lives in <installation>/bin/);
// otherwise, when that cannot be found, app_dir all the same. The text is
// used as is: no slash is added or removed.
[[nodiscard]] std::string install_folder(const InstallPaths& paths = {});

// Runs the whole install and blocks until it is done; the download alone may
// take up to 120 seconds. The caller reports that the install has started
// before calling. A failure carries DOWNLOAD_FAILED_TEXT or
// EXTRACT_FAILED_TEXT. Success means the new files are in place and the
// process must now end through exit_for_restart().
[[nodiscard]] Result<void> install_update(const InstallRequest& request, const LogFn& log,
                                          const InstallPaths& paths = {});

// Ends the process with RESTART_EXIT_STATUS at once, from any thread: buffered
// output is flushed, but no static destructors run, since other threads are
// still using what they would destroy.
[[noreturn]] void exit_for_restart();

}  // namespace papyr
