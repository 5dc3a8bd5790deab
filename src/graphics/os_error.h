#pragma once

#include <string>

namespace papyr {

// The C library's description of an errno value ("No such file or
// directory"), safe to call from any thread, unlike strerror.
std::string os_error_text(int error);

}  // namespace papyr
