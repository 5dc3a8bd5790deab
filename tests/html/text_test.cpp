#include "html/text.h"

#include <gtest/gtest.h>

#include <string>

namespace papyr::html {
namespace {

TEST(Text, NormalisingCollapsesSpaceKeepsBreaksAndDropsInvisibleCharacters) {
    const std::string mark(1, kLineBreakMark);
    struct Case {
        std::string raw;
        std::string expected;
    };
    const Case cases[] = {
        {"  one\n\t two  ", "one two"},
        {"no\u00A0break\u2009thin\u3000wide", "no break thin wide"},
        {"line" + mark + "next", "line\nnext"},
        {"a  " + mark + " " + mark + "  b", "a\nb"},
        {mark + "lead" + mark, "lead"},
        {"zero\u200Bwidth\uFEFF soft\u00ADhyphen", "zerowidth softhyphen"},
        {"bell\x07 tab\x01", "bell tab"},
        // Vietnamese typed with combining marks reads as precomposed letters.
        {"Vie\u0323\u0302t Nam", "Việt Nam"},
        {"tie\u0302\u0301ng", "tiếng"},
        {"\u0301alone", "\u0301alone"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(normalise_text(c.raw), c.expected);
    }
}

TEST(Text, WordsNeedALetterOrDigit) {
    EXPECT_EQ(count_words("Hà Nội – 30/4, 2025 • ok"), 5U);
    EXPECT_EQ(count_words("— … !!"), 0U);
    EXPECT_EQ(count_words("line\nbreak"), 2U);
    EXPECT_EQ(count_words(""), 0U);
}

TEST(Text, ReadingTimeIsAtLeastAMinuteForAnyText) {
    const std::pair<std::uint64_t, std::uint64_t> cases[] = {
        {0, 0}, {1, 1}, {299, 1}, {300, 2}, {1000, 5}, {1099, 5}, {1100, 6}};
    for (const auto& [words, minutes] : cases)
        EXPECT_EQ(reading_minutes(words), minutes) << words;
}

TEST(Text, ComparableTextIgnoresCaseAndPunctuation) {
    EXPECT_EQ(comparable_text("Xem thêm: Bão SỐ 3!"), "xem thêm bão số 3");
    EXPECT_TRUE(starts_like("Read more: the story", "READ MORE"));
    EXPECT_FALSE(starts_like("Readmore", "read"));
}

}  // namespace
}  // namespace papyr::html
