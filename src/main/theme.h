#pragma once

// The three colour themes, their palettes, the colours that do not follow the
// theme, and the reader's four font scales.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace papyr {

enum class Theme : std::uint8_t { Paper = 0, Oled = 1, Sepia = 2 };

inline constexpr std::size_t kThemeCount = 3;
inline constexpr std::size_t kFontScaleCount = 4;

struct Palette {
    std::uint32_t background;
    std::uint32_t bar;
    std::uint32_t border;
    std::uint32_t accent;
    std::uint32_t text;
    std::uint32_t muted;
    std::uint32_t card;
    std::uint32_t card_selected;
};

inline constexpr std::array<Palette, kThemeCount> kPalettes = {{
    {0xFFF6F2E8, 0xFFE8E0CE, 0xFFD6CABA, 0xFF0D9488, 0xFF1C1917, 0xFF78716C, 0xFFEFE8D8,
     0xFFE2D7C0},
    {0xFF0A0E17, 0xFF111827, 0xFF2B3A52, 0xFF14B8A6, 0xFFF1F5F9, 0xFF94A3B8, 0xFF161F30,
     0xFF223048},
    {0xFF281E19, 0xFF201713, 0xFF48372E, 0xFFF59E0B, 0xFFEAD8C7, 0xFFA8988B, 0xFF382B24,
     0xFF4A3A31},
}};

inline constexpr std::uint32_t kWhite = 0xFFFFFFFF;
inline constexpr std::uint32_t kUpdateOrange = 0xFFE65100;

// Badge names in the feed list header.
inline constexpr std::array<std::string_view, kThemeCount> kThemeBadgeNames = {
    "☀ Giấy Vàng", "🌙 OLED", "☕ Hổ Phách"};

// Long names, as the theme notice shows them.
inline constexpr std::array<std::string_view, kThemeCount> kThemeLongNames = {
    "Kindle Giấy Vàng (Paperwhite)",
    "Đêm Sâu OLED (Night Mode)",
    "Hổ Phách Ấm Áp (Sepia)",
};

// Text sizes and line heights of the reader at one font scale.
struct FontScale {
    std::string_view label;
    float title_size;
    std::int32_t title_line_height;
    float summary_size;
    std::int32_t summary_line_height;
    float paragraph_size;
    std::int32_t paragraph_line_height;
};

inline constexpr std::array<FontScale, kFontScaleCount> kFontScales = {{
    {"100%", 24, 38, 19, 33, 18, 30},
    {"125%", 28, 44, 23, 39, 22, 36},
    {"150%", 32, 52, 27, 47, 26, 44},
    {"175%", 36, 60, 31, 55, 30, 52},
}};

inline const Palette& palette_for(std::size_t theme_index) {
    return kPalettes[theme_index % kThemeCount];
}

}  // namespace papyr
