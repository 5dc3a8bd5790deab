#include "base/unicode.h"

#include <gtest/gtest.h>

#include "base/utf8.h"

namespace papyr {
namespace {

TEST(Utf8, ReportsTheFirstBadSequenceLikeRust) {
    struct Case {
        std::string bytes;
        std::string description;
    };
    const Case cases[] = {
        {"ab\xFF"
         "cd",
         "invalid utf-8 sequence of 1 bytes from index 2"},
        {"\xC0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // over-long lead byte
        {"x\xE0\x80\x80",
         "invalid utf-8 sequence of 1 bytes from index 1"},  // over-long 3-byte form
        {"\xED\xA0\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // surrogate
        {"\xE1\x80z", "invalid utf-8 sequence of 2 bytes from index 0"},
        {"\xF0\x90\x80z", "invalid utf-8 sequence of 3 bytes from index 0"},
        {"\xF4\x90\x80\x80", "invalid utf-8 sequence of 1 bytes from index 0"},  // above U+10FFFF
        {"ok\xE1\x80", "incomplete utf-8 byte sequence from index 2"},
        {"\xF0", "incomplete utf-8 byte sequence from index 0"},
    };
    for (const Case& c : cases) {
        const auto error = find_utf8_error(c.bytes);
        ASSERT_TRUE(error.has_value()) << c.description;
        EXPECT_EQ(describe_utf8_error(*error), c.description);
    }
    EXPECT_FALSE(find_utf8_error("Tiếng Việt \xF0\x9F\x9A\x80").has_value());
    EXPECT_FALSE(find_utf8_error("").has_value());
}

TEST(Utf8, LossyDecodingReplacesEachBadSequenceOnce) {
    EXPECT_EQ(to_utf8_lossy("a\xE1\x80z\xFF\xFE"), "a\uFFFDz\uFFFD\uFFFD");
    EXPECT_EQ(to_utf8_lossy("end\xF0\x9F\x9A"), "end\uFFFD");
    EXPECT_EQ(to_utf8_lossy("ộ"), "ộ");
}

TEST(UnicodeWhitespace, TrimsEveryWhiteSpaceCharacterButNotOthers) {
    EXPECT_EQ(trim_unicode_whitespace(" \t\n\v\f\r brick \u0085\u00A0\u2003\u3000"), "brick");
    EXPECT_EQ(trim_unicode_whitespace("\u2028x y\u2029"), "x y");
    // Zero-width space and the byte-order mark are not White_Space.
    EXPECT_EQ(trim_unicode_whitespace("\u200Bx\uFEFF"), "\u200Bx\uFEFF");
    EXPECT_EQ(trim_unicode_whitespace(" \u00A0 "), "");
    EXPECT_TRUE(is_unicode_whitespace(U'\u1680'));
    EXPECT_FALSE(is_unicode_whitespace(U'\u180E'));
}

TEST(UnicodeCase, LowerCasingIsFull) {
    EXPECT_EQ(to_unicode_lower("TrimUI BRICK"), "trimui brick");
    EXPECT_EQ(to_unicode_lower("BRIC\u212A"), "brick");  // Kelvin sign lower-cases to k
    EXPECT_EQ(to_unicode_lower("\u0130"), "i\u0307");    // İ keeps its dot as a combining mark
    EXPECT_EQ(to_unicode_lower("TIẾNG VIỆT"), "tiếng việt");
    EXPECT_EQ(to_unicode_lower("TRUE"), "true");
}

TEST(UnicodeCase, CapitalSigmaBecomesFinalAtTheEndOfAWord) {
    EXPECT_EQ(to_unicode_lower("ΟΔΟΣ"), "οδος");
    EXPECT_EQ(to_unicode_lower("ΟΔΟΣ ΣΑ"), "οδος σα");
    EXPECT_EQ(to_unicode_lower("Σ"), "σ");  // no cased letter before it
}

TEST(UnicodeCase, UpperCasingIsFull) {
    EXPECT_EQ(to_unicode_upper("next_src"), "NEXT_SRC");
    EXPECT_EQ(to_unicode_upper("stra\u00DFe"), "STRASSE");
    EXPECT_EQ(to_unicode_upper("\uFB01"), "FI");
    EXPECT_EQ(to_unicode_upper("r\u0131ght"), "RIGHT");  // dotless i
    EXPECT_EQ(to_unicode_upper("\u017F"), "S");          // long s
    EXPECT_EQ(to_unicode_upper("\u0390"), "\u0399\u0308\u0301");
}

}  // namespace
}  // namespace papyr
