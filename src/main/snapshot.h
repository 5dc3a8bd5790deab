#pragma once

// Desktop Simulator snapshots: with PAPYR_SNAPSHOT naming a file, the frames
// the simulator draws (and never shows) are written there as PNG, so a
// person or a test can see what the program shows.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "base/diagnostics.h"
#include "base/result.h"
#include "graphics/framebuffer.h"
#include "main/clock.h"
#include "main/device_profile.h"

namespace papyr {

// Encoding a PNG costs milliseconds of the frame, so a screen that changes
// every frame is written at most five times a second.
inline constexpr Nanoseconds kSnapshotInterval = std::chrono::milliseconds(200);

using PngWriter =
    std::function<Result<void>(const std::filesystem::path& path, std::size_t width,
                               std::size_t height, std::span<const std::uint32_t> pixels)>;

// The file named by PAPYR_SNAPSHOT, when it names one and the surface is in
// simulator mode (on a device the screen itself shows the frames).
std::optional<std::filesystem::path> snapshot_path(const EnvLookup& env, bool simulator);

class SnapshotWriter {
  public:
    SnapshotWriter(std::filesystem::path path, Clock& clock, LogFn log, PngWriter write);

    // After each drawn frame: writes the buffer when it differs from the
    // last written one and the last write is at least the interval ago. A
    // change that comes too soon is caught by a later frame, since every
    // frame is compared with what was written, not with the frame before.
    void frame_drawn(const Framebuffer& surface);

    // After the last frame: writes it whatever the time, unless the file
    // already shows it.
    void last_frame(const Framebuffer& surface);

  private:
    bool differs_from_written(std::span<const std::uint32_t> pixels) const;
    void write(const Framebuffer& surface, Instant now);

    std::filesystem::path path_;
    Clock& clock_;
    LogFn log_;
    PngWriter write_;
    std::vector<std::uint32_t> written_;  // empty until a write succeeds
    std::optional<Instant> tried_at_;     // the last write, failed or not
    bool failing_ = false;                // so a lasting failure is logged once, not per write
};

}  // namespace papyr
