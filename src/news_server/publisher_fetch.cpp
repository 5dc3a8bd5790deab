#include "news_server/publisher_fetch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <variant>

#include "base/os_error.h"
#include "base/process.h"
#include "base/slots.h"
#include "base/url.h"

namespace papyr::news_server {
namespace {

constexpr std::string_view kUserAgent =
    "Mozilla/5.0 (Linux; Android 10; K) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0 Mobile Safari/537.36";

// curl's exit codes that mean something of their own here.
constexpr int kCurlTimedOut = 28;
constexpr int kCurlFileTooLarge = 63;

// Curl's time and size limits come first; this backstop only catches a curl
// that fails to keep them.
constexpr std::chrono::milliseconds kKillGrace{2000};
// Where -D writes the header blocks: curl's own standard error (named
// through /proc, which the console has, unlike a /dev/stderr link). The body
// alone goes to standard output, and both pipes are read within one capture
// bound; a header or body file would grow until the time limit instead
// (curl 7.54's --max-filesize only acts on a declared length).
constexpr std::string_view kHeadersTo = "/proc/self/fd/2";
// The header blocks' share of the capture bound, beside the body's.
constexpr std::size_t kHeaderAllowance = 64 * 1024;
// A redirect's target in a log line: enough to recognise it.
constexpr std::size_t kLongestLoggedLocation = 256;
// Below this, starting curl is not worth it.
constexpr std::chrono::milliseconds kShortestHop{200};

std::string seconds_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

bool is_redirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

// The status of a status line "HTTP/1.1 301 Moved Permanently" or "HTTP/2 200".
std::optional<int> status_of(std::string_view line) {
    if (!line.starts_with("HTTP/"))
        return std::nullopt;
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4)
        return std::nullopt;
    int status = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return std::nullopt;
        status = status * 10 + (line[i] - '0');
    }
    return status;
}

// The charset parameter of a Content-Type value, lowercase and unquoted:
// `text/html; Charset="UTF-8"` gives "utf-8", no parameter gives "".
std::string charset_parameter(std::string_view value) {
    std::size_t pos = value.find(';');
    while (pos != std::string_view::npos) {
        std::string_view parameter = value.substr(pos + 1);
        const std::size_t next = parameter.find(';');
        parameter = trim(parameter.substr(0, next));
        pos = next == std::string_view::npos ? next : pos + 1 + next;
        const std::size_t equals = parameter.find('=');
        if (equals == std::string_view::npos ||
            !same_name(trim(parameter.substr(0, equals)), "charset"))
            continue;
        std::string_view charset = trim(parameter.substr(equals + 1));
        if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"')
            charset = charset.substr(1, charset.size() - 2);
        std::string out;
        for (const char c : charset)
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return out;
    }
    return {};
}

// One header block from `pos` to just past its blank line; nothing when the
// text there is not a whole block.
std::optional<AnswerHead> read_block(std::string_view text, std::size_t& pos) {
    AnswerHead head;
    bool first = true;
    while (pos < text.size()) {
        const std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (first) {
            const std::optional<int> status = status_of(line);
            if (!status)
                return std::nullopt;
            head.status = *status;
            first = false;
            continue;
        }
        if (line.empty())
            return head;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        if (same_name(name, "location"))
            head.location = std::string(trim(line.substr(colon + 1)));
        else if (same_name(name, "content-type"))
            head.charset = charset_parameter(line.substr(colon + 1));
    }
    return std::nullopt;
}

FetchResult problem(FetchProblem kind, std::string detail) {
    FetchResult result;
    result.problem = kind;
    result.detail = std::move(detail);
    return result;
}

FetchResult from_exit(const ProcessExit& ended, std::size_t max_bytes) {
    if (ended.capture_overflowed)
        return problem(FetchProblem::TooLarge, "more than " + std::to_string(max_bytes) + " bytes");
    if (ended.timed_out)
        return problem(FetchProblem::TimedOut, "curl killed at its time limit");
    if (!ended.exit_code)
        return problem(FetchProblem::Unreachable, "curl ended by a signal");
    if (*ended.exit_code == kCurlTimedOut)
        return problem(FetchProblem::TimedOut, "curl exit 28");
    if (*ended.exit_code == kCurlFileTooLarge)
        return problem(FetchProblem::TooLarge, "curl exit 63");
    return problem(FetchProblem::Unreachable, "curl exit " + std::to_string(*ended.exit_code));
}

bool allowed(const FetchRequest& request, const HttpsUrl& url) {
    return std::any_of(request.allowed_hosts.begin(), request.allowed_hosts.end(),
                       [&](const std::string& domain) { return host_within(url.host, domain); });
}

// The next hop of a redirect: resolved against this one, and as strict as
// the first (a redirect to plain http is refused, not upgraded).
std::optional<HttpsUrl> redirect_target(const HttpsUrl& from, std::string_view location) {
    const std::optional<std::string> resolved = resolve_url(to_string(from), location);
    if (!resolved)
        return std::nullopt;
    return parse_https_url(*resolved, PlainHttp::Refuse);
}

std::string_view shortened(std::string_view text) {
    return text.substr(0, kLongestLoggedLocation);
}

bool usable_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

}  // namespace

std::vector<std::string> curl_arguments(const CurlSettings& settings, const HttpsUrl& url,
                                        double time_limit_seconds) {
    std::vector<std::string> arguments{
        // No ~/.curlrc: a proxy, "insecure" or "connect-to" there must not
        // decide where the service's requests go. Only as the first
        // argument does curl honour it.
        "-q",
        "-s",
        // Brackets and braces in a URL are the page's, not curl's globbing.
        "--globoff",
        "--proto",
        "=https",
        "--compressed",
        "-A",
        std::string(kUserAgent),
        "-H",
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
        "-H",
        "Accept-Language: vi-VN,vi;q=0.9,en;q=0.8",
        "--connect-timeout",
        seconds_text(std::min(time_limit_seconds, 4.0)),
        "--max-time",
        seconds_text(time_limit_seconds),
        "--max-filesize",
        std::to_string(settings.max_body_bytes),
        // The header blocks go to standard error, apart from the body: the
        // status and any Location are read from them.
        "-D",
        std::string(kHeadersTo),
    };
    if (settings.ca_bundle) {
        arguments.push_back("--cacert");
        arguments.push_back(*settings.ca_bundle);
    }
    if (settings.test_resolve_address) {
        arguments.push_back("--resolve");
        arguments.push_back(url.host + ":" + (url.port.empty() ? "443" : url.port) + ":" +
                            *settings.test_resolve_address);
    }
    arguments.push_back(to_string(url));
    return arguments;
}

std::optional<AnswerHead> parse_curl_headers(std::string_view headers) {
    std::optional<AnswerHead> last;
    for (std::size_t pos = 0; pos < headers.size();) {
        last = read_block(headers, pos);
        if (!last)
            return std::nullopt;
    }
    return last;
}

CurlFetcher::CurlFetcher(CurlSettings settings)
    : settings_(std::move(settings)),
      feed_slots_(static_cast<std::ptrdiff_t>(std::clamp(settings_.feed_slots, 1, 256))),
      article_slots_(static_cast<std::ptrdiff_t>(std::clamp(settings_.article_slots, 1, 256))) {}

FetchResult CurlFetcher::operator()(const FetchRequest& request) {
    HttpsUrl url = request.url;
    for (int hop = 0; hop <= settings_.max_redirects; ++hop) {
        if (!allowed(request, url))
            return problem(FetchProblem::ForeignRedirect,
                           "not a publisher's URL: " + to_string(url));
        FetchResult result = fetch_once(url, request.lane, request.deadline);
        if (result.problem != FetchProblem::None || !is_redirect(result.http_status))
            return result;
        if (result.detail.empty())
            return problem(FetchProblem::HttpStatus, "a redirect without a Location");
        std::optional<HttpsUrl> next = redirect_target(url, result.detail);
        if (!next)
            return problem(FetchProblem::ForeignRedirect,
                           "unusable redirect: " + std::string(shortened(result.detail)));
        url = std::move(*next);
    }
    return problem(FetchProblem::TooManyRedirects,
                   "more than " + std::to_string(settings_.max_redirects) + " redirects");
}

// One request without following redirects. A redirect comes back with
// problem None, its status, and the Location in `detail`.
FetchResult CurlFetcher::fetch_once(const HttpsUrl& url, FetchLane lane, SteadyTime deadline) {
    Slots& slots = lane == FetchLane::Feed ? feed_slots_ : article_slots_;
    if (!slots.try_acquire_until(deadline))
        return problem(FetchProblem::TimedOut, "no fetch slot came free in time");
    const SlotHold hold(slots);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const auto limit = std::min(left, settings_.request_time_limit);
    if (limit < kShortestHop)
        return problem(FetchProblem::TimedOut, "the answer's deadline has passed");

    ProcessLimits limits;
    limits.max_capture_bytes = settings_.max_body_bytes + kHeaderAllowance;
    limits.time_limit = limit + kKillGrace;
    const double seconds = static_cast<double>(limit.count()) / 1000.0;
    ProcessOutcome outcome =
        run_process(settings_.program, curl_arguments(settings_, url, seconds), {}, limits);
    if (const auto* failure = std::get_if<SpawnFailure>(&outcome))
        return problem(FetchProblem::Unreachable,
                       "cannot run " + settings_.program + ": " + os_error_text(failure->errnum));
    auto& ended = std::get<ProcessExit>(outcome);
    if (!ended.succeeded())
        return from_exit(ended, settings_.max_body_bytes);

    std::optional<AnswerHead> head = parse_curl_headers(ended.stderr_bytes);
    if (!head)
        return problem(FetchProblem::Unreachable, "no HTTP answer in curl's output");
    FetchResult result;
    result.http_status = head->status;
    result.final_url = to_string(url);
    if (is_redirect(head->status)) {
        result.detail = head->location.value_or("");
        return result;
    }
    if (head->status < 200 || head->status >= 300) {
        result.problem = FetchProblem::HttpStatus;
        result.detail = "HTTP " + std::to_string(head->status);
        return result;
    }
    if (ended.stdout_bytes.size() > settings_.max_body_bytes)
        return problem(FetchProblem::TooLarge,
                       "more than " + std::to_string(settings_.max_body_bytes) + " bytes");
    // Pages wait for extraction with their bytes: no spare capacity held.
    result.body = std::move(ended.stdout_bytes);
    result.body.shrink_to_fit();
    result.charset = std::move(head->charset);
    return result;
}

std::optional<std::string> choose_ca_bundle(const std::vector<std::string>& system_candidates,
                                            const std::string& release_bundle) {
    for (const std::string& candidate : system_candidates) {
        if (usable_file(candidate))
            return candidate;
    }
    if (!release_bundle.empty() && usable_file(release_bundle))
        return release_bundle;
    return std::nullopt;
}

std::vector<std::string> system_ca_bundle_candidates() {
    return {
        "/etc/ssl/certs/ca-certificates.crt",  // Debian, Ubuntu, Alpine, Arch
        "/etc/pki/tls/certs/ca-bundle.crt",    // Fedora, RHEL
        "/etc/ssl/ca-bundle.pem",              // openSUSE
        "/etc/ssl/cert.pem",                   // others
    };
}

}  // namespace papyr::news_server
