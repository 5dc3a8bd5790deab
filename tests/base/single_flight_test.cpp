#include "base/single_flight.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace papyr {
namespace {

TEST(SingleFlight, WorkThatThrowsLeavesItsKeyFreeForTheNextCall) {
    SingleFlight<int> flights;
    EXPECT_THROW(flights.run("https://vnexpress.net/a.html",
                             []() -> int { throw std::runtime_error("out of memory"); }),
                 std::runtime_error);
    bool joined = true;
    EXPECT_EQ(flights.run(
                  "https://vnexpress.net/a.html", [] { return 7; }, &joined),
              7);
    EXPECT_FALSE(joined);
}

}  // namespace
}  // namespace papyr
