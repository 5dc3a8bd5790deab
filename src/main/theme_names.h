#pragma once

#include <array>
#include <string_view>

namespace papyr {

inline constexpr std::size_t kThemeCount = 3;
inline constexpr std::size_t kFontScaleCount = 4;

// Long theme names, as the theme notice shows them.
inline constexpr std::array<std::string_view, kThemeCount> kThemeLongNames = {
    "Kindle Giấy Vàng (Paperwhite)",
    "Đêm Sâu OLED (Night Mode)",
    "Hổ Phách Ấm Áp (Sepia)",
};

inline constexpr std::array<std::string_view, kFontScaleCount> kFontScaleLabels = {"100%", "125%",
                                                                                   "150%", "175%"};

}  // namespace papyr
