#include "main/snapshot.h"

#include <algorithm>
#include <utility>

namespace papyr {

std::optional<std::filesystem::path> snapshot_path(const EnvLookup& env, bool simulator) {
    if (!simulator)
        return std::nullopt;
    auto value = env("PAPYR_SNAPSHOT");
    if (!value || value->empty())
        return std::nullopt;
    return std::filesystem::path(std::move(*value));
}

SnapshotWriter::SnapshotWriter(std::filesystem::path path, Clock& clock, LogFn log, PngWriter write)
    : path_(std::move(path)), clock_(clock), log_(std::move(log)), write_(std::move(write)) {}

void SnapshotWriter::frame_drawn(const Framebuffer& surface) {
    const Instant now = clock_.now();
    // Checked first: comparing the whole buffer is the costlier test.
    if (tried_at_ && elapsed_between(*tried_at_, now) < kSnapshotInterval)
        return;
    if (differs_from_written(surface.pixels()))
        write(surface, now);
}

void SnapshotWriter::last_frame(const Framebuffer& surface) {
    if (differs_from_written(surface.pixels()))
        write(surface, clock_.now());
}

bool SnapshotWriter::differs_from_written(std::span<const std::uint32_t> pixels) const {
    return written_.empty() ||
           !std::equal(pixels.begin(), pixels.end(), written_.begin(), written_.end());
}

void SnapshotWriter::write(const Framebuffer& surface, Instant now) {
    tried_at_ = now;
    const auto pixels = surface.pixels();
    if (auto result = write_(path_, surface.width(), surface.height(), pixels); !result) {
        if (!failing_)
            log_("[Main] Snapshot not written: " + result.error());
        failing_ = true;
        // Left as it was, so the frame is tried again after the interval.
        return;
    }
    failing_ = false;
    written_.assign(pixels.begin(), pixels.end());
}

}  // namespace papyr
