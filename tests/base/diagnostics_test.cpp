#include "base/diagnostics.h"

#include <gtest/gtest.h>

namespace papyr {
namespace {

TEST(Printable, EscapesEveryByteThatIsNotPrintableUtf8) {
    // Vietnamese and other printable text stays as it is.
    EXPECT_EQ(printable("/tin-tức?q=Hà Nội&x=€"), "/tin-tức?q=Hà Nội&x=€");
    // C0, DEL and C1 controls (ESC [ and its one-character C1 form CSI).
    EXPECT_EQ(printable("a\x1B[2Jb\x7F\xC2\x9B"
                        "c\r\n"),
              "a\\x1B[2Jb\\x7F\\xC2\\x9Bc\\x0D\\x0A");
    // Invalid and incomplete UTF-8: a lone continuation byte, an overlong
    // slash, an encoded surrogate, a sequence cut at the end.
    EXPECT_EQ(printable("\x80/\xC0\xAF/\xED\xA0\x80/\xE1\xBB"),
              "\\x80/\\xC0\\xAF/\\xED\\xA0\\x80/\\xE1\\xBB");
    // Characters that reorder or hide what follows on a terminal.
    EXPECT_EQ(printable("a\xE2\x80\xAE"
                        "b\xE2\x81\xA6"
                        "c\xE2\x80\x8B"),
              "a\\xE2\\x80\\xAEb\\xE2\\x81\\xA6c\\xE2\\x80\\x8B");
    // A backslash cannot pose as an escape.
    EXPECT_EQ(printable("\\x1B"), "\\x5Cx1B");
}

}  // namespace
}  // namespace papyr
