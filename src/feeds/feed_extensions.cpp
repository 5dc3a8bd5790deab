#include "feeds/feed_extensions.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "feeds/image_choice.h"
#include "feeds/xml_names.h"

namespace papyr::feeds {
namespace {

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

bool has_image_extension(std::string_view url) {
    url = url.substr(0, std::min(url.find_first_of("?#"), url.size()));
    const auto dot = url.rfind('.');
    if (dot == std::string_view::npos || url.find('/', dot) != std::string_view::npos)
        return false;
    const std::string_view extension = url.substr(dot + 1);
    static constexpr std::array<std::string_view, 7> kExtensions = {"jpg",  "jpeg", "png", "gif",
                                                                    "webp", "avif", "bmp"};
    return std::any_of(kExtensions.begin(), kExtensions.end(), [&](std::string_view known) {
        return extension.size() == known.size() && starts_with_ignoring_case(extension, known);
    });
}

// media:content and media:thumbnail. A media:content that says it is a video
// or a sound is not a picture; one that says nothing is taken for one, as the
// Guardian's renditions say nothing but their width.
void read_media_picture(pugi::xml_node element, std::vector<ImageCandidate>& images) {
    const std::string_view url = element.attribute("url").value();
    if (url.empty())
        return;
    const std::string_view medium = element.attribute("medium").value();
    const std::string_view type = element.attribute("type").value();
    const bool picture = local_name(element) == "thumbnail" || medium == "image" ||
                         (medium.empty() && (type.empty() || is_image_type(type, url)));
    if (picture)
        images.push_back({std::string(url), pixel_count(element.attribute("width").value())});
}

// A media:group holds renditions of one picture; a media:content may carry
// its own thumbnails. Nothing nests deeper than that.
void read_media(pugi::xml_node element, std::vector<ImageCandidate>& images) {
    const std::string_view name = local_name(element);
    if (name == "content" || name == "thumbnail")
        read_media_picture(element, images);
    if (name != "group" && name != "content")
        return;
    for (const pugi::xml_node child : element.children()) {
        if (is_element(child, xmlns::kMedia, "content") ||
            is_element(child, xmlns::kMedia, "thumbnail"))
            read_media_picture(child, images);
    }
}

}  // namespace

bool is_image_type(std::string_view mime_type, std::string_view url) {
    if (!mime_type.empty())
        return starts_with_ignoring_case(mime_type, "image/");
    return has_image_extension(url);
}

bool read_extension_element(pugi::xml_node element, FeedEntry& entry) {
    if (is_element(element, xmlns::kDublinCore, local_name(element))) {
        const std::string_view name = local_name(element);
        if (name == "creator")
            entry.authors.push_back({text_of(element), TextKind::Html});
        else if (name == "date")
            entry.dates.push_back(text_of(element));
        else if (name == "title" && entry.title.empty())
            entry.title = {text_of(element), TextKind::Html};
        return true;
    }
    if (is_element(element, xmlns::kContent, "encoded")) {
        entry.content = {inner_markup(element), TextKind::Html};
        return true;
    }
    if (is_element(element, xmlns::kMedia, local_name(element))) {
        read_media(element, entry.images);
        return true;
    }
    return false;
}

}  // namespace papyr::feeds
