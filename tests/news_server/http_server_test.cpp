#include "news_server/http_server.h"

#include <gtest/gtest.h>

#include <thread>

#include "news_server/tls_identity.h"
#include "support/temp.h"

namespace papyr::news_server {
namespace {

TlsIdentity identity(const test::TempDir& dir) {
    auto made = ensure_certificate(dir / "tls", {"127.0.0.1"});
    EXPECT_TRUE(made) << made.error();
    return made ? *made : TlsIdentity{};
}

HttpSettings on_port(int port) {
    HttpSettings settings;
    settings.port = port;
    settings.workers = 2;
    return settings;
}

// A second service must not share the port of one that runs (the kernel
// would split the consoles' connections between them), while the successor
// of a stopped one takes the port at once.
TEST(HttpsServer, APortInUseIsAnErrorAndAStoppedServicesPortIsFree) {
    const test::TempDir dir;
    const TlsIdentity tls = identity(dir);
    HttpsServer first(on_port(0), tls, {}, [](std::string_view) {});
    ASSERT_TRUE(first.bind());
    const int port = first.port();
    ASSERT_GT(port, 0);
    std::thread running([&first] { first.run(); });

    HttpsServer second(on_port(port), tls, {}, [](std::string_view) {});
    const auto refused = second.bind();
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(),
              "cannot listen on 127.0.0.1:" + std::to_string(port) + ": Address already in use");

    first.stop();
    running.join();
    HttpsServer successor(on_port(port), tls, {}, [](std::string_view) {});
    const auto bound = successor.bind();
    EXPECT_TRUE(bound) << bound.error();
}

}  // namespace
}  // namespace papyr::news_server
