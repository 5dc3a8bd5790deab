#include "news_api/fetch.h"

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/process.h"
#include "base/utf8.h"

namespace papyr {
namespace {

// Rust's rendering of an Option<i32>, which the messages users see keep.
std::string render_exit_code(const std::optional<int>& code) {
    return code ? "Some(" + std::to_string(*code) + ")" : "None";
}

// The URL goes last and unchanged. There is deliberately no fail-on-HTTP-error
// option: curl must exit 0 for any completed exchange.
std::vector<std::string> fetch_arguments(const std::string& url) {
    return {"-s", "-L", "-4", "-k", "--max-time", "12", "-A", USER_AGENT, url};
}

}  // namespace

Result<std::string> fetch_url(const std::string& url) {
    ProcessOutcome outcome = run_process("curl", fetch_arguments(url));
    if (const auto* failure = std::get_if<SpawnFailure>(&outcome)) {
        return fail("Lỗi gọi curl: " + os_error_text(failure->errnum));
    }
    auto& ended = std::get<ProcessExit>(outcome);
    if (!ended.succeeded()) {
        return fail("Lỗi kết nối mạng (curl exit code: " + render_exit_code(ended.exit_code) + ")");
    }
    if (const auto error = find_utf8_error(ended.stdout_bytes)) {
        return fail("Lỗi giải mã UTF-8: " + describe_utf8_error(*error));
    }
    return std::move(ended.stdout_bytes);
}

}  // namespace papyr
