#include "news_server/publisher_fetch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <variant>

#include "base/os_error.h"
#include "base/process.h"
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
// The header blocks of every hop come before the body.
constexpr std::size_t kHeaderAllowance = 64 * 1024;
// Below this, starting curl is not worth it.
constexpr std::chrono::milliseconds kShortestHop{200};

std::string seconds_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}

std::string default_port(const Url& url) {
    if (!url.port.empty())
        return url.port;
    return url.scheme == "http" ? "80" : "443";
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

struct HeaderBlock {
    int status = 0;
    std::optional<std::string> location;
    std::string charset;
    std::size_t end = 0;  // offset just past the blank line
};

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

std::optional<HeaderBlock> read_block(std::string_view output, std::size_t start) {
    HeaderBlock block;
    std::size_t pos = start;
    bool first = true;
    while (pos < output.size()) {
        const std::size_t eol = output.find('\n', pos);
        if (eol == std::string_view::npos)
            return std::nullopt;
        const std::string_view line = trim(output.substr(pos, eol - pos));
        pos = eol + 1;
        if (first) {
            const std::optional<int> status = status_of(line);
            if (!status)
                return std::nullopt;
            block.status = *status;
            first = false;
            continue;
        }
        if (line.empty()) {
            block.end = pos;
            return block;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, colon);
        if (same_name(name, "location"))
            block.location = std::string(trim(line.substr(colon + 1)));
        else if (same_name(name, "content-type"))
            block.charset = charset_parameter(line.substr(colon + 1));
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

bool allowed(const FetchRequest& request, const Url& url) {
    if (url.scheme != "http" && url.scheme != "https")
        return false;
    return std::any_of(request.allowed_hosts.begin(), request.allowed_hosts.end(),
                       [&](const std::string& domain) { return host_within(url.host, domain); });
}

bool usable_file(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

// Releases a fetch slot however the fetch ends.
class SlotGuard {
  public:
    explicit SlotGuard(std::counting_semaphore<256>& slots) : slots_(slots) {}
    ~SlotGuard() { slots_.release(); }
    SlotGuard(const SlotGuard&) = delete;
    SlotGuard& operator=(const SlotGuard&) = delete;

  private:
    std::counting_semaphore<256>& slots_;
};

}  // namespace

std::vector<std::string> curl_arguments(const CurlSettings& settings, std::string_view url,
                                        double time_limit_seconds) {
    std::vector<std::string> arguments{
        "-s",
        // Brackets and braces in a URL are the page's, not curl's globbing.
        "--globoff",
        "--proto",
        "=http,https",
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
        // The headers come first on standard output: the status and any
        // Location are read from them.
        "-D",
        "-",
    };
    if (settings.ca_bundle) {
        arguments.push_back("--cacert");
        arguments.push_back(*settings.ca_bundle);
    }
    if (settings.test_resolve_address) {
        if (const std::optional<Url> parsed = parse_url(url)) {
            arguments.push_back("--resolve");
            arguments.push_back(parsed->host + ":" + default_port(*parsed) + ":" +
                                *settings.test_resolve_address);
        }
    }
    arguments.emplace_back(url);
    return arguments;
}

std::optional<HttpAnswer> parse_curl_output(std::string_view output) {
    std::size_t start = 0;
    while (true) {
        const std::optional<HeaderBlock> block = read_block(output, start);
        if (!block)
            return std::nullopt;
        // An interim answer, or a proxy's answer to CONNECT before the
        // publisher's own: a whole header block follows it (a body that
        // merely starts like a status line is no header block).
        const bool interim = block->status >= 100 && block->status < 200;
        if (interim || (block->status == 200 && read_block(output, block->end))) {
            start = block->end;
            continue;
        }
        return HttpAnswer{block->status, block->location, std::string(output.substr(block->end)),
                          block->charset};
    }
}

CurlFetcher::CurlFetcher(CurlSettings settings)
    : settings_(std::move(settings)),
      slots_(static_cast<std::ptrdiff_t>(std::clamp(settings_.max_concurrent, 1, 256))) {}

FetchResult CurlFetcher::operator()(const FetchRequest& request) {
    std::string url = request.url;
    for (int hop = 0; hop <= settings_.max_redirects; ++hop) {
        const std::optional<Url> parsed = parse_url(url);
        if (!parsed || !allowed(request, *parsed))
            return problem(FetchProblem::ForeignRedirect, "not a publisher's URL: " + url);
        FetchResult result = fetch_once(url, request.deadline);
        if (result.problem != FetchProblem::None || !is_redirect(result.http_status))
            return result;
        if (result.detail.empty())
            return problem(FetchProblem::HttpStatus, "a redirect without a Location");
        std::optional<std::string> next = resolve_url(url, result.detail);
        if (!next)
            return problem(FetchProblem::ForeignRedirect, "unusable redirect: " + result.detail);
        url = std::move(*next);
    }
    return problem(FetchProblem::TooManyRedirects,
                   "more than " + std::to_string(settings_.max_redirects) + " redirects");
}

// One request without following redirects. A redirect comes back with
// problem None, its status, and the Location in `detail`.
FetchResult CurlFetcher::fetch_once(const std::string& url, SteadyTime deadline) {
    if (!slots_.try_acquire_until(deadline))
        return problem(FetchProblem::TimedOut, "no fetch slot came free in time");
    const SlotGuard guard(slots_);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const auto limit = std::min(left, settings_.request_time_limit);
    if (limit < kShortestHop)
        return problem(FetchProblem::TimedOut, "the answer's deadline has passed");

    ProcessOptions options;
    options.stderr_mode = StreamMode::Discard;
    ProcessLimits limits;
    limits.max_capture_bytes = settings_.max_body_bytes + kHeaderAllowance;
    limits.time_limit = limit + kKillGrace;
    const double seconds = static_cast<double>(limit.count()) / 1000.0;
    const ProcessOutcome outcome =
        run_process(settings_.program, curl_arguments(settings_, url, seconds), options, limits);
    if (const auto* failure = std::get_if<SpawnFailure>(&outcome))
        return problem(FetchProblem::Unreachable,
                       "cannot run " + settings_.program + ": " + os_error_text(failure->errnum));
    const auto& ended = std::get<ProcessExit>(outcome);
    if (!ended.succeeded())
        return from_exit(ended, settings_.max_body_bytes);

    std::optional<HttpAnswer> answer = parse_curl_output(ended.stdout_bytes);
    if (!answer)
        return problem(FetchProblem::Unreachable, "no HTTP answer in curl's output");
    FetchResult result;
    result.http_status = answer->status;
    result.final_url = url;
    if (is_redirect(answer->status)) {
        result.detail = answer->location.value_or("");
        return result;
    }
    if (answer->status < 200 || answer->status >= 300) {
        result.problem = FetchProblem::HttpStatus;
        result.detail = "HTTP " + std::to_string(answer->status);
        return result;
    }
    if (answer->body.size() > settings_.max_body_bytes)
        return problem(FetchProblem::TooLarge,
                       "more than " + std::to_string(settings_.max_body_bytes) + " bytes");
    result.body = std::move(answer->body);
    result.charset = std::move(answer->charset);
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
