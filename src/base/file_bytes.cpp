#include "base/file_bytes.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace papyr {

std::optional<std::string> read_descriptor_bytes(int fd) {
    std::string bytes;
    std::array<char, 65536> buffer{};
    while (true) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
}

std::optional<std::string> read_file_bytes(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes = read_descriptor_bytes(fd);
    ::close(fd);
    return bytes;
}

}  // namespace papyr
