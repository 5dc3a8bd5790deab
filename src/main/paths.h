#pragma once

#include <string>

#include "news_api/bookmarks.h"

namespace papyr {

// Every fixed path of the system. The program uses the defaults; tests give
// their own.
struct Paths {
    std::string device_file = "/etc/trimui_device.txt";
    std::string framebuffer = "/dev/fb0";
    std::string input_event_prefix = "/dev/input/event";
    std::string command_pipe = "/tmp/papyr_cmd";
    CacheLocations cache;  // the SD-card cache folder and "./cache"
    std::string app_dir = "/mnt/SDCARD/Apps/papyr";
    std::string update_package = "/tmp/papyr-update.zip";
};

}  // namespace papyr
