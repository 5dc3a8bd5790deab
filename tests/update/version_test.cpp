#include "update/version.h"

#include <gtest/gtest.h>

namespace papyr {
namespace {

TEST(Version, ParsesRemoteVersionsAndComparesThemWithTheRunningOne) {
    struct Case {
        const char* remote;
        VersionNumbers numbers;
        bool newer;
    };
    const Case cases[] = {
        {"1.0.1", {1, 0, 1}, true},
        {"v1.1", {1, 1}, true},  // 1 > 0 in the second place
        {"2", {2}, true},
        {"1.0.0", {1, 0, 0}, false},
        {"v1.0.0", {1, 0, 0}, false},
        {"1.0", {1, 0}, false},           // shorter with an equal prefix
        {"1.0.0.0", {1, 0, 0, 0}, true},  // longer with an equal prefix
        {"1.0.0-beta", {1, 0}, false},    // the unparsable piece is dropped, not 0
        {"1..5", {1, 5}, true},
        {"V2.0", {0}, false},  // only lower-case v is stripped
        {"", {}, false},
        {"vv2.1", {2, 1}, true},
        {"+1.+2", {1, 2}, true},
        {"+.-1. 3.3 .0x2.1e3", {}, false},  // sign alone, minus, blanks, letters
        {"1.0.4294967295", {1, 0, 4294967295U}, true},
        {"1.4294967296.0", {1, 0}, false},  // overflow drops the piece
        {"007.0.0", {7, 0, 0}, true},
        {"1.0.0.", {1, 0, 0}, false},  // a trailing empty piece adds nothing
    };
    const VersionNumbers current = parse_version(CURRENT_VERSION);
    ASSERT_EQ(current, (VersionNumbers{1, 0, 0}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remote);
        EXPECT_EQ(parse_version(c.remote), c.numbers);
        EXPECT_EQ(is_newer(parse_version(c.remote), current), c.newer);
    }
}

}  // namespace
}  // namespace papyr
