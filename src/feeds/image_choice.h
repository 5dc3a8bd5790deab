#pragma once

// The one picture a headline carries: the largest of those its item offers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_entry.h"

namespace papyr::feeds {

// The width of a picture known to be the original upload, which is at least
// as wide as any rendition of it.
inline constexpr int kOriginalWidth = 1 << 30;

// A positive number of pixels, or 0 for anything else ("", "auto", "-3").
[[nodiscard]] int pixel_count(std::string_view text);

// The candidate as an absolute http(s) URL, read relative to `base`. A URL
// that is already absolute is kept byte for byte: picture addresses are often
// signed (the Guardian's "s=" parameter), and any rewriting breaks them.
// Fails for other schemes and unusable text.
[[nodiscard]] std::optional<ImageCandidate> absolute_image(const ImageCandidate& candidate,
                                                           std::string_view base);

// Thumbnails of the resizing service Tuổi Trẻ and Thanh Niên share
// ("https://cdn1.tuoitre.vn/zoom/80_50/…"): without the "zoom/W_H/" step the
// address is that of the original picture, which is then given
// kOriginalWidth. Other candidates are returned as they are.
[[nodiscard]] ImageCandidate original_of_thumbnail(ImageCandidate candidate);

// The widest candidate; of equally wide ones (or ones of unknown width) the
// first. None when there are no candidates.
[[nodiscard]] std::optional<std::string> choose_image(
    const std::vector<ImageCandidate>& candidates);

}  // namespace papyr::feeds
