#include "update/install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "base/os_error.h"
#include "base/process.h"
#include "base/utf8.h"

namespace papyr {
namespace {

// The external programs of the install write straight to the program's own
// output: nothing they print is needed.
constexpr ProcessOptions kInherited{StreamMode::Inherit, StreamMode::Inherit};

bool path_exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

void remove_quietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

bool exited_with_zero(const ProcessOutcome& outcome) {
    const auto* ended = std::get_if<ProcessExit>(&outcome);
    return ended != nullptr && ended->succeeded();
}

// The parent of an absolute path, or nothing for the root, a relative path or
// an empty text: an installation folder must be a real folder above bin/.
std::optional<std::string> parent_folder(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    if (path == "/" || slash == std::string_view::npos)
        return std::nullopt;
    std::string_view parent = path.substr(0, slash);
    while (!parent.empty() && parent.back() == '/')
        parent.remove_suffix(1);
    return parent.empty() ? std::string("/") : std::string(parent);
}

std::vector<std::string> download_arguments(const std::string& package, const std::string& url) {
    return {"-4",  "-k", "-s",    "-L", "--connect-timeout", "10", "--max-time",
            "120", "-o", package, url};
}

std::string ascii_lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// The checksum field of sha256sum's "<hex>  <file>" line. A leading backslash
// marks a file name that sha256sum had to escape; it is not part of the sum.
std::string_view first_field(std::string_view output) {
    if (output.starts_with('\\'))
        output.remove_prefix(1);
    return output.substr(0, output.find_first_of(" \t\n"));
}

// Nothing when the package's SHA-256 equals `expected`; otherwise the
// diagnostic line that says why it cannot be accepted.
std::optional<std::string> checksum_problem(const std::string& package,
                                            const std::string& expected) {
    const std::string prefix = "[OTA] Cannot verify package checksum: sha256sum ";
    const ProcessOutcome outcome =
        run_process("sha256sum", {package}, {StreamMode::Capture, StreamMode::Inherit});
    if (const auto* failure = std::get_if<SpawnFailure>(&outcome))
        return prefix + "could not be started: " + os_error_text(failure->errnum);
    const auto& ended = std::get<ProcessExit>(outcome);
    if (ended.term_signal)
        return prefix + "was ended by signal " + std::to_string(*ended.term_signal);
    if (!ended.succeeded())
        return prefix + "exited with status " + std::to_string(ended.exit_code.value_or(-1));
    const std::string actual = ascii_lower(first_field(ended.stdout_bytes));
    if (actual.empty())
        return prefix + "printed no checksum";
    if (actual != ascii_lower(expected))
        return "[OTA] Package checksum mismatch: expected " + expected + ", got " + actual;
    return std::nullopt;
}

}  // namespace

InstallRequest install_request_for(const OtaManifest& manifest) {
    return {manifest.download_url, manifest.sha256};
}

std::string install_folder(const InstallPaths& paths) {
    if (path_exists(paths.app_dir))
        return paths.app_dir;
    std::error_code error;
    const std::filesystem::path executable =
        std::filesystem::read_symlink(paths.executable_link, error);
    if (!error) {
        if (const auto bin = parent_folder(executable.native())) {
            if (const auto installation = parent_folder(*bin))
                return to_utf8_lossy(*installation);
        }
    }
    return paths.app_dir;
}

Result<void> install_update(const InstallRequest& request, const LogFn& log,
                            const InstallPaths& paths) {
    log("[OTA] Starting download from: " + request.download_url);
    const std::string folder = install_folder(paths);

    // A package left by an earlier failed download must never be unpacked.
    remove_quietly(paths.package);
    if (!exited_with_zero(run_process(
            "curl", download_arguments(paths.package, request.download_url), kInherited))) {
        return fail(DOWNLOAD_FAILED_TEXT);
    }
    // curl saves an error page as happily as a package, and a package that
    // does not match the manifest's checksum is damaged or not the one
    // offered: either way nothing of it may be unpacked over the program.
    if (request.sha256) {
        if (const auto problem = checksum_problem(paths.package, *request.sha256)) {
            remove_quietly(paths.package);
            log(*problem);
            return fail(DOWNLOAD_FAILED_TEXT);
        }
    }

    log("[OTA] Download completed. Extracting to: " + folder);
    const bool unpacked =
        exited_with_zero(run_process("unzip", {"-o", paths.package, "-d", folder}, kInherited));
    remove_quietly(paths.package);
    if (!unpacked)
        return fail(EXTRACT_FAILED_TEXT);

    // Archives made without permissions would leave the program unrunnable;
    // a failure here is not worth failing the install for.
    (void)run_process("chmod", {"+x", folder + "/bin/papyr-native64"}, kInherited);
    (void)run_process("chmod", {"+x", folder + "/launch.sh"}, kInherited);
    log("[OTA] Update successfully applied! Restarting Papyr...");
    return {};
}

void exit_for_restart() {
    std::fflush(nullptr);
    ::_exit(RESTART_EXIT_STATUS);
}

}  // namespace papyr
