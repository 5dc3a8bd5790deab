#pragma once

// Publication dates as feeds and article pages write them, and the one form
// the news records carry them in: Vietnam time, "Thứ hai, 2/6/2025, 08:30
// (GMT+7)" (weekday, day/month/year without leading zeros, 24-hour time).
//
// The readable layouts are those seen in publishers' feeds and pages:
//   RFC 822 and its variants  "Thu, 06 Feb 2025 20:30:48 +0700",
//                             "Sat, 27 Jan 24 14:15:00 +0700" (two-digit year),
//                             "Sun, 28 Jan 2024 06:15:28 GMT+7", "… GMT", "… EST"
//                             "Tue, 03 Jun 2025 10:00:00 +0000 (UTC)"
//   ISO 8601                  "2025-05-09T11:02:00+07:00", "…Z", "….000Z",
//                             "2025-05-09 11:02", "2025-05-09"
//   day/month/year            "22/10/2025 19:25", "Thứ tư, 22/10/2025, 19:25 (GMT+7)",
//                             "22/10/2025 - 19:25"
//   US month/day/year         "10/2/2026 9:25:00 AM" (recognised by its AM/PM)
// A leading weekday name (English or Vietnamese) is skipped, not checked.
// A time that names no zone is taken in the zone the caller says the
// publisher writes in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace papyr {

inline constexpr int kVietnamOffsetMinutes = 7 * 60;

// Seconds since 1970-01-01 00:00 UTC, or nullopt when the text is no date of
// a known layout, names an impossible day or time, or lies outside the years
// 1970 to 2199.
[[nodiscard]] std::optional<std::int64_t> parse_pub_date(std::string_view text,
                                                         int default_offset_minutes);

// The record form of an instant, in Vietnam time (UTC+7, no daylight saving).
[[nodiscard]] std::string format_vietnam_time(std::int64_t utc_seconds);

// parse_pub_date then format_vietnam_time; empty when the text is unusable.
[[nodiscard]] std::string vietnam_pub_date(std::string_view text, int default_offset_minutes);

}  // namespace papyr
