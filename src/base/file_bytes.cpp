#include "base/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>

namespace papyr {
namespace {

// Appends what is left on the descriptor; false on a read error, or when
// that would take `bytes` past max_bytes.
bool append_rest(int fd, std::string& bytes, std::size_t max_bytes) {
    std::array<char, 65536> buffer{};
    while (true) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        const auto count = static_cast<std::size_t>(got);
        if (count > max_bytes - bytes.size())
            return false;
        bytes.append(buffer.data(), count);
    }
}

// Closes the descriptor however the reading ends.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

std::chrono::system_clock::time_point modification_time(const struct stat& info) {
    const auto since_epoch =
        std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(since_epoch));
}

}  // namespace

std::optional<RegularFile> read_regular_file(const std::filesystem::path& path,
                                             std::size_t max_bytes) {
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > max_bytes)
        return std::nullopt;
    RegularFile file;
    file.modified = modification_time(info);
    file.bytes.reserve(static_cast<std::size_t>(info.st_size));
    if (!append_rest(fd.get(), file.bytes, max_bytes))
        return std::nullopt;
    return file;
}

std::optional<std::string> read_descriptor_bytes(int fd) {
    std::string bytes;
    if (!append_rest(fd, bytes, bytes.max_size()))
        return std::nullopt;
    return bytes;
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
