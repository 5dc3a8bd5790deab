#include "base/os_error.h"

#include <string.h>

namespace papyr {
namespace {

// strerror_r comes in two flavours: the GNU one returns the text (possibly not
// in the buffer), the POSIX one fills the buffer and returns a status.
[[maybe_unused]] const char* strerror_r_text(const char* text, const char* /*buffer*/) {
    return text;
}
[[maybe_unused]] const char* strerror_r_text(int status, const char* buffer) {
    return status == 0 ? buffer : "Unknown error";
}

}  // namespace

std::string system_error_text(int error) {
    char buffer[256] = {};
    return strerror_r_text(strerror_r(error, buffer, sizeof buffer), buffer);
}

std::string os_error_text(int error) {
    return system_error_text(error) + " (os error " + std::to_string(error) + ")";
}

}  // namespace papyr
