#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace papyr {

struct DeviceProfile {
    bool is_brick = false;
    unsigned screen_width = 1280;  // defaults handed to the surface
    unsigned screen_height = 720;
    bool simulator_forced = false;
};

// Reads an environment variable: nothing when it is unset. The bytes come
// back as they are; callers decide what an invalid text means.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;

EnvLookup process_environment();

// The model from the device file or, when that cannot be read as UTF-8
// text, from TRIMUI_DEVICE. simulator_forced is left false.
DeviceProfile detect_device_profile(const std::string& device_file, const EnvLookup& env);

// TRIMUI_SIMULATOR is exactly "1", or "true" in any letter case.
bool is_simulator_forced(const EnvLookup& env);

}  // namespace papyr
