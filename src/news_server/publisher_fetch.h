#pragma once

// Fetching feeds and pages from the publishers, through the curl program
// (found on PATH, started from an argument vector by base/process.h). The
// program itself has no network stack: on the console the firmware's curl
// does name resolution and TLS, which a static program cannot do safely with
// the C library's name service. Every option used exists in curl 7.54, the
// firmware's version.
//
// Certificates are always verified, and only https is spoken. Redirects are
// followed here, one hop at a time, and only to https URLs on the hosts the
// request allows: curl 7.54 cannot restrict the hosts of its own redirects,
// and it reads a host such as "[::1].vnexpress.net" as the address in the
// brackets, so every hop is a strictly parsed HttpsUrl before curl sees it.
// curl reads no configuration file (-q), and it writes the answer's header
// blocks and its body to separate pipes: nothing in a body can pass for a
// status line or a redirect.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/slots.h"
#include "base/url.h"

namespace papyr::news_server {

using SteadyTime = std::chrono::steady_clock::time_point;

// Feeds and article pages have fetch slots of their own, so that neither
// starves the other: article pages stuck at a slow publisher leave a
// reader's feed request a free slot.
enum class FetchLane { Feed, Article };

struct FetchRequest {
    HttpsUrl url;
    // The publisher's domains: the URL and every redirect must be on one.
    std::vector<std::string> allowed_hosts;
    SteadyTime deadline;  // the whole fetch, redirects included, ends by then
    FetchLane lane = FetchLane::Feed;
};

enum class FetchProblem {
    None,
    Unreachable,      // name resolution, connection or TLS failed
    TimedOut,         // the time ran out (or no fetch slot came free in time)
    HttpStatus,       // the publisher answered with an error status
    TooLarge,         // more than the size limit
    ForeignRedirect,  // a URL or redirect off the publisher's hosts, or not https
    TooManyRedirects,
};

struct FetchResult {
    FetchProblem problem = FetchProblem::None;
    int http_status = 0;
    std::string final_url;  // after redirects
    std::string body;       // the answer's bytes when problem is None
    std::string detail;     // for the log: "curl exit 6", "HTTP 404", …
    std::string charset;    // of the answer's Content-Type, lowercase; "" when none

    bool ok() const { return problem == FetchProblem::None; }
};

// The seam the news service fetches through; tests give their own.
using Fetcher = std::function<FetchResult(const FetchRequest&)>;

struct CurlSettings {
    std::string program = "curl";
    // Passed as --cacert when set (see choose_ca_bundle).
    std::optional<std::string> ca_bundle;
    // Test only: every host a request names is resolved to this IP address
    // (curl's --resolve), so a local server can play the publishers.
    std::optional<std::string> test_resolve_address;
    std::chrono::milliseconds request_time_limit{6000};  // one hop
    std::size_t max_body_bytes = 4 * 1024 * 1024;
    int max_redirects = 5;
    // curl processes at once, per lane.
    int feed_slots = 2;
    int article_slots = 4;
};

// The curl arguments for one hop, "-q" first, URL last.
// `time_limit_seconds` goes to --max-time.
[[nodiscard]] std::vector<std::string> curl_arguments(const CurlSettings& settings,
                                                      const HttpsUrl& url,
                                                      double time_limit_seconds);

// What curl wrote of the answer's header blocks (its standard error, where
// -D sends them): the final block's status and what it says. The blocks of
// interim answers (100 Continue, a proxy's "200 Connection established")
// come before it. Nothing when the text is not header blocks only.
struct AnswerHead {
    int status = 0;
    std::optional<std::string> location;
    std::string charset;  // the Content-Type's charset parameter, lowercase
};
[[nodiscard]] std::optional<AnswerHead> parse_curl_headers(std::string_view headers);

// A fetcher that runs curl, at most the settings' slots of each lane at once.
class CurlFetcher {
  public:
    explicit CurlFetcher(CurlSettings settings);
    FetchResult operator()(const FetchRequest& request);

  private:
    FetchResult fetch_once(const HttpsUrl& url, FetchLane lane, SteadyTime deadline);

    CurlSettings settings_;
    Slots feed_slots_;
    Slots article_slots_;
};

// The CA bundle to give curl: the first of the system's usual bundle files
// that exists and is not empty, else the bundle the release carries when it
// exists, else none (curl's own default, still verifying).
[[nodiscard]] std::optional<std::string> choose_ca_bundle(
    const std::vector<std::string>& system_candidates, const std::string& release_bundle);

// The usual places of the system's bundle on Linux distributions.
[[nodiscard]] std::vector<std::string> system_ca_bundle_candidates();

}  // namespace papyr::news_server
