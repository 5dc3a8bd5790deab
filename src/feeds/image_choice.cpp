#include "feeds/image_choice.h"

#include <charconv>

#include "base/url.h"
#include "base/utf8.h"
#include "feeds/link_cleaner.h"

namespace papyr::feeds {
namespace {

bool all_digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

int pixel_count(std::string_view text) {
    int value = 0;
    text = trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0)
        return 0;
    return value;
}

std::optional<ImageCandidate> absolute_image(const ImageCandidate& candidate,
                                             std::string_view base) {
    const std::string_view url = trim(candidate.url);
    if (url.empty() || !is_valid_utf8(url))
        return std::nullopt;
    if (is_web_url(url))
        return ImageCandidate{std::string(url), candidate.width};
    const auto resolved = resolve_url(base, url);
    if (!resolved || !is_web_url(*resolved))
        return std::nullopt;
    return ImageCandidate{*resolved, candidate.width};
}

ImageCandidate original_of_thumbnail(ImageCandidate candidate) {
    const auto url = parse_url(candidate.url);
    if (!url)
        return candidate;
    // "/zoom/80_50/rest": the step is the first two segments.
    constexpr std::string_view kStep = "/zoom/";
    if (url->path.rfind(kStep, 0) != 0)
        return candidate;
    const std::size_t size_end = url->path.find('/', kStep.size());
    if (size_end == std::string::npos || size_end + 1 >= url->path.size())
        return candidate;
    const std::string_view size =
        std::string_view(url->path).substr(kStep.size(), size_end - kStep.size());
    const auto underscore = size.find('_');
    if (underscore == std::string_view::npos || !all_digits(size.substr(0, underscore)) ||
        !all_digits(size.substr(underscore + 1)))
        return candidate;
    const std::size_t at = candidate.url.find(url->path.substr(0, size_end + 1));
    if (at == std::string::npos)  // the host was written in capitals: leave it
        return candidate;
    candidate.url.erase(at + 1, size_end);  // "zoom/80_50/", keeping the first "/"
    candidate.width = kOriginalWidth;
    return candidate;
}

std::optional<std::string> choose_image(const std::vector<ImageCandidate>& candidates) {
    const ImageCandidate* best = nullptr;
    for (const auto& candidate : candidates) {
        if (best == nullptr || candidate.width > best->width)
            best = &candidate;
    }
    if (best == nullptr)
        return std::nullopt;
    return best->url;
}

}  // namespace papyr::feeds
