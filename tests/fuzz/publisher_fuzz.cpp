// libFuzzer target for curl's output as the news service reads it from a
// publisher fetch: header blocks, then the body. Besides memory safety
// (checked by the sanitizers) it checks the bounds the service relies on: a
// status of three digits and a body that is the end of the input. What the
// body holds is the feed fuzzer's (feed_fuzz.cpp) and the extraction's.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "news_server/publisher_fetch.h"

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "publisher fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);  // NOLINT: bytes
    if (const auto answer = papyr::news_server::parse_curl_output(input)) {
        check(answer->body.size() <= input.size() &&
                  input.substr(input.size() - answer->body.size()) == answer->body,
              "the body is not the end of curl's output");
        check(answer->status >= 0 && answer->status <= 999, "a status of more than three digits");
    }
    return 0;
}
