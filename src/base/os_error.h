#pragma once

#include <string>

namespace papyr {

// The C library's description of an errno value ("No such file or
// directory"), safe to call from any thread, unlike strerror.
std::string system_error_text(int error);

// The description followed by the number, as users see a failure to start a
// program: "No such file or directory (os error 2)".
std::string os_error_text(int error);

}  // namespace papyr
