#include "html/charset.h"

#include <gtest/gtest.h>

#include <string>

namespace papyr::html {
namespace {

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(Charset, IsTakenFromTheMarkTheServerAndThePageInThatOrder) {
    struct Case {
        std::string bytes;
        std::string declared;
        Charset expected;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF<meta charset=windows-1258>", "", Charset::Utf8},
        {"\xFF\xFE<\0h\0", "windows-1252", Charset::Utf16Le},
        {"\xFE\xFF\0<", "", Charset::Utf16Be},
        {"<meta charset=\"windows-1258\">", "ISO-8859-15", Charset::Iso8859_15},
        {"<html><head><meta charset='Windows-1258'>", "", Charset::Windows1258},
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">", "",
         Charset::Windows1252},
        {"<meta content=\"text/html; charset=latin9\" http-equiv=content-type>", "",
         Charset::Iso8859_15},
        {"<!-- <meta charset=koi8-r> --><meta charset=utf-8>", "", Charset::Utf8},
        {"<meta charset=utf-16>", "", Charset::Utf8},  // an ASCII page cannot be UTF-16
        {"<meta charset=x-unknown><p>caf\xC3\xA9</p>", "", Charset::Utf8},
        // A page converted to UTF-8 that kept its old declaration, and one
        // that really is in the declared set.
        {"<meta charset=iso-8859-1><p>M\xC3\xA1s s\xC3\xB3lo</p>", "", Charset::Utf8},
        {"<meta charset=iso-8859-1><p>M\xE1s s\xF3lo</p>", "", Charset::Windows1252},
        {"<meta charset=windows-1258><p>plain</p>", "", Charset::Windows1258},
        {"<p>caf\xE9 cr\xE8"
         "me br\xFB"
         "l\xE9"
         "e</p>",
         "", Charset::Windows1252},
        // One stray byte among many good sequences is no verdict.
        {"<p>" + std::string(30, 'x') + repeated("Vi\xE1\xBB\x87t ", 20) + "\xFF</p>", "",
         Charset::Utf8},
        {"<p>plain</p>", "bogus", Charset::Utf8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(detect_charset(c.bytes, c.declared), c.expected);
    }
}

TEST(Charset, DecodesEverySetToValidUtf8) {
    struct Case {
        std::string bytes;
        Charset charset;
        std::string expected;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF"
         "ok",
         Charset::Utf8, "ok"},
        {"a\xFF"
         "b\xE1\xBB",
         Charset::Utf8, "a\uFFFDb\uFFFD"},
        {"\x80 \x93"
         "x\x94 \x81",
         Charset::Windows1252, "€ “x” \uFFFD"},
        {"caf\xE9", Charset::Windows1252, "café"},
        {"\xA4 \xBD", Charset::Iso8859_15, "€ œ"},
        // windows-1258 writes tone marks as combining characters after the letter.
        {"Vi\xEA\xF2t Nam, ti\xEA\xEC"
         "ng Vi\xEA\xF2t",
         Charset::Windows1258, "Việt Nam, tiếng Việt"},
        {"\xD0\xE3\xF2"
         "ng",
         Charset::Windows1258, "Đặng"},
        {"\xCF\xF0\xE8\xE2\xE5\xF2", Charset::Windows1251, "Привет"},
        {std::string("\xFF\xFEh\0\x3D\xD8\x00\xDE", 8), Charset::Utf16Le, "h😀"},
        {std::string("\0h\xD8\x3D", 4), Charset::Utf16Be, "h\uFFFD"},
        {std::string("h\0i", 3), Charset::Utf16Le, "h\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(decode_to_utf8(c.bytes, c.charset), c.expected);
    }
}

TEST(Charset, LabelsAreReadWithoutCaseOrQuotes) {
    EXPECT_EQ(charset_from_label(" \"UTF8\" "), Charset::Utf8);
    EXPECT_EQ(charset_from_label("CP1258"), Charset::Windows1258);
    EXPECT_EQ(charset_from_label("US-ASCII"), Charset::Windows1252);
    EXPECT_EQ(charset_from_label("shift_jis"), std::nullopt);
}

}  // namespace
}  // namespace papyr::html
