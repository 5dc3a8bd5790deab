#include "news_api/pub_date.h"

#include <gtest/gtest.h>

namespace papyr {
namespace {

// Each layout seen in the publishers' feeds and pages, and what it means in
// Vietnam time. Zone-less times are read in the zone given with the case.
TEST(PubDate, ReadsEveryLayoutSeenAndWritesVietnamTime) {
    const struct {
        const char* text;
        int default_offset;
        const char* vietnam;
    } cases[] = {
        {"Thu, 06 Feb 2025 20:30:48 +0700", 0, "Thứ năm, 6/2/2025, 20:30 (GMT+7)"},
        {"Mon, 02 Jun 2025 01:30:00 GMT", 0, "Thứ hai, 2/6/2025, 08:30 (GMT+7)"},
        {"Sat, 27 Jan 24 14:15:00 +0700", 0, "Thứ bảy, 27/1/2024, 14:15 (GMT+7)"},
        {"Sun, 28 Jan 2024 06:15:28 GMT+7", 0, "Chủ nhật, 28/1/2024, 06:15 (GMT+7)"},
        {" Tue, 31 Dec 2024 23:59:59 -0500 ", 0, "Thứ tư, 1/1/2025, 11:59 (GMT+7)"},
        // 10:00 EDT is 14:00 UTC, 21:00 in Vietnam.
        {"Wed, 4 Jun 2025 10:00 EDT", 0, "Thứ tư, 4/6/2025, 21:00 (GMT+7)"},
        {"06 Feb 2025 20:30:48 +07:00", 0, "Thứ năm, 6/2/2025, 20:30 (GMT+7)"},
        {"Tue, 03 Jun 2025 10:00:00 +0000 (UTC)", kVietnamOffsetMinutes,
         "Thứ ba, 3/6/2025, 17:00 (GMT+7)"},
        {"2025-05-09T11:02:00+07:00", 0, "Thứ sáu, 9/5/2025, 11:02 (GMT+7)"},
        {"2025-05-09T04:02:00.000Z", 0, "Thứ sáu, 9/5/2025, 11:02 (GMT+7)"},
        {"2025-05-09 11:02", kVietnamOffsetMinutes, "Thứ sáu, 9/5/2025, 11:02 (GMT+7)"},
        {"2025-05-09", 0, "Thứ sáu, 9/5/2025, 07:00 (GMT+7)"},
        {"Thứ tư, 22/10/2025, 19:25 (GMT+7)", 0, "Thứ tư, 22/10/2025, 19:25 (GMT+7)"},
        {"22/10/2025 - 19:25", kVietnamOffsetMinutes, "Thứ tư, 22/10/2025, 19:25 (GMT+7)"},
        {"10/2/2026 9:25:00 AM", kVietnamOffsetMinutes, "Thứ sáu, 2/10/2026, 09:25 (GMT+7)"},
        {"10/2/2026 12:05:00 AM", kVietnamOffsetMinutes, "Thứ sáu, 2/10/2026, 00:05 (GMT+7)"},
        {"10/2/2026 1:05:00 PM", kVietnamOffsetMinutes, "Thứ sáu, 2/10/2026, 13:05 (GMT+7)"},
        {"2025/10/22 19:25:00", kVietnamOffsetMinutes, "Thứ tư, 22/10/2025, 19:25 (GMT+7)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vietnam_pub_date(c.text, c.default_offset), c.vietnam) << c.text;
    }
}

TEST(PubDate, RefusesWhatIsNoDate) {
    for (const char* text :
         {"", "   ", "hôm qua", "31/02/2025 10:00", "2025-13-01", "2025-05-09T25:00:00Z",
          "Thu, 06 Feb 2025 20:30:48 +0700 extra", "06 Foo 2025 10:00", "1969-12-31T23:59:59Z",
          "2025-05-09T10:00:00+2500", "10/2/2026 13:05:00 PM", "12/31/99", "(GMT+7",
          "Tue, 03 Jun 2025 10:00:00 +0000 (UTC", "Tue, 03 Jun 2025 10:00:00 +0000 ()"}) {
        EXPECT_FALSE(parse_pub_date(text, 0).has_value()) << text;
        EXPECT_EQ(vietnam_pub_date(text, 0), "") << text;
    }
}

TEST(PubDate, FormatsTheWeekdayAndDateAcrossMidnightAndYears) {
    // 1970-01-01 00:00 UTC is a Thursday, 07:00 in Vietnam.
    EXPECT_EQ(format_vietnam_time(0), "Thứ năm, 1/1/1970, 07:00 (GMT+7)");
    // 16:59:59 UTC is still the same day in Vietnam, 17:00 is the next.
    const std::int64_t day = 20240 * 86400LL;  // 2025-06-01, a Sunday
    EXPECT_EQ(format_vietnam_time(day + 16 * 3600 + 3599), "Chủ nhật, 1/6/2025, 23:59 (GMT+7)");
    EXPECT_EQ(format_vietnam_time(day + 17 * 3600), "Thứ hai, 2/6/2025, 00:00 (GMT+7)");
    EXPECT_EQ(format_vietnam_time(*parse_pub_date("2024-02-29T12:00:00Z", 0)),
              "Thứ năm, 29/2/2024, 19:00 (GMT+7)");
}

}  // namespace
}  // namespace papyr
