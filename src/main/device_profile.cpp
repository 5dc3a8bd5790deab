#include "main/device_profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/unicode.h"
#include "base/utf8.h"

namespace papyr {
namespace {

std::optional<std::string> read_text_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!is_valid_utf8(content))
        return std::nullopt;
    return content;
}

bool names_brick(std::string_view text) {
    return to_unicode_lower(text).find("brick") != std::string::npos;
}

}  // namespace

EnvLookup process_environment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
}

DeviceProfile detect_device_profile(const std::string& device_file, const EnvLookup& env) {
    DeviceProfile profile;
    if (const auto text = read_text_file(device_file)) {
        // The file wins whatever it says; the variable is only a fallback.
        profile.is_brick = names_brick(trim_unicode_whitespace(*text));
    } else if (const auto value = env("TRIMUI_DEVICE"); value && is_valid_utf8(*value)) {
        profile.is_brick = names_brick(*value);
    }
    profile.screen_width = profile.is_brick ? 1024 : 1280;
    profile.screen_height = profile.is_brick ? 768 : 720;
    return profile;
}

bool is_simulator_forced(const EnvLookup& env) {
    const auto value = env("TRIMUI_SIMULATOR");
    if (!value || !is_valid_utf8(*value))
        return false;
    return *value == "1" || to_unicode_lower(*value) == "true";
}

}  // namespace papyr
