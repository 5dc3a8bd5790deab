#include "support/fake_programs.h"

#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace papyr::test {
namespace {

std::optional<std::string> path_value(const std::filesystem::path& dir,
                                      FakeProgramDir::PathMode mode) {
    const char* current = std::getenv("PATH");
    if (mode == FakeProgramDir::PathMode::Replace || current == nullptr || *current == '\0') {
        return dir.string();
    }
    return dir.string() + ":" + current;
}

// Quotes a path for a shell script: single quotes, with embedded ones spliced.
std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace

// TempDir's folder exists before path_ is initialised: members initialise in
// declaration order.
FakeProgramDir::FakeProgramDir(PathMode mode) : path_("PATH", path_value(dir_.path(), mode)) {}

std::filesystem::path FakeProgramDir::add_script(const std::string& name, const std::string& body) {
    const std::filesystem::path target = dir_ / name;
    // Written under another name and renamed, so the program never exists
    // half-written or still open for writing (exec would fail with ETXTBSY).
    const std::filesystem::path draft = dir_ / ("." + name + ".draft");
    write_file(draft, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(
        draft, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                   std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                   std::filesystem::perms::others_exec);
    std::filesystem::rename(draft, target);
    return target;
}

std::filesystem::path FakeProgramDir::add_recording_script(const std::string& name,
                                                           const std::string& body) {
    // Each call: its argument count, then each argument, all NUL-terminated,
    // so arguments with blanks or line feeds come back exactly.
    const std::string record = shell_quote(record_path(name).string());
    const std::string recorder =
        "{ printf '%s\\0' \"$#\"; [ $# -eq 0 ] || printf '%s\\0' \"$@\"; } >> " + record + "\n";
    return add_script(name, recorder + body);
}

std::vector<std::vector<std::string>> FakeProgramDir::recorded_calls(
    const std::string& name) const {
    std::vector<std::vector<std::string>> calls;
    if (!std::filesystem::exists(record_path(name)))
        return calls;
    const std::string bytes = read_file(record_path(name));
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\0'); end != std::string::npos;
         end = bytes.find('\0', start)) {
        fields.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i < fields.size();) {
        const std::size_t count = std::stoul(fields[i++]);
        if (i + count > fields.size())
            throw std::runtime_error("torn call record of " + name);
        calls.emplace_back(fields.begin() + static_cast<std::ptrdiff_t>(i),
                           fields.begin() + static_cast<std::ptrdiff_t>(i + count));
        i += count;
    }
    return calls;
}

std::filesystem::path FakeProgramDir::add_plain_file(const std::string& name,
                                                     const std::string& content) {
    const std::filesystem::path target = dir_ / name;
    write_file(target, content);
    std::filesystem::permissions(
        target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                    std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    return target;
}

std::filesystem::path FakeProgramDir::record_path(const std::string& name) const {
    return dir_ / (name + ".calls");
}

}  // namespace papyr::test
