// libFuzzer target for what the news service reads from curl about a
// publisher's answer: the header blocks (curl writes them apart from the
// body), and the Location of a redirect as the URL of the next hop. Besides
// memory safety (checked by the sanitizers) it checks the bounds the service
// relies on: a status of three digits, and a next hop that is a strict https
// URL which reads back as itself, on a host that is a DNS name. What a body
// holds is the feed fuzzer's (feed_fuzz.cpp) and the extraction's.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "base/url.h"
#include "news_server/publisher_fetch.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "publisher fuzz: %s\n", what);
        std::abort();
    }
}

void check_next_hop(std::string_view location) {
    const auto next = papyr::parse_https_url(location, papyr::PlainHttp::Refuse);
    if (!next)
        return;
    check(papyr::parse_dns_name(next->host) == next->host, "a next hop off a DNS name");
    check(papyr::parse_https_url(papyr::to_string(*next), papyr::PlainHttp::Refuse) == next,
          "a next hop that does not read back as itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);  // NOLINT: bytes
    if (const auto head = papyr::news_server::parse_curl_headers(input)) {
        check(head->status >= 0 && head->status <= 999, "a status of more than three digits");
        if (head->location)
            check_next_hop(*head->location);
    }
    return 0;
}
