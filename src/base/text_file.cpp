#include "base/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "base/utf8.h"

namespace papyr {
namespace {

// Closes the descriptor on every path out of a function.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Reports the close's own error: on some file systems a failed write
    // only shows up here.
    bool close() {
        if (fd_ < 0)
            return true;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

  private:
    int fd_;
};

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Unique among the threads of this process (the counter) and among processes
// sharing the folder (the process id), so two writers never share a
// temporary file even when they replace the same target at the same time.
std::filesystem::path temporary_path_for(const std::filesystem::path& target) {
    static std::atomic<unsigned long> counter{0};
    std::filesystem::path temporary = target;
    temporary += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    return temporary;
}

// Makes the rename itself durable. Best effort: some file systems refuse to
// sync a folder, and the new content is already safe in its own file.
void sync_folder_of(const std::filesystem::path& target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

// Leaves nothing behind when it fails. O_EXCL: never write into a file that
// some other writer created.
bool write_temporary(const std::filesystem::path& temporary, std::string_view bytes) {
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file.valid())
        return false;
    const bool written = write_all(file.get(), bytes) && ::fsync(file.get()) == 0;
    if (file.close() && written)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace

std::optional<std::string> read_text_file(const std::filesystem::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        return std::nullopt;
    std::string content;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    if (!is_valid_utf8(content))
        return std::nullopt;
    return content;
}

bool replace_file(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path temporary = temporary_path_for(path);
    if (!write_temporary(temporary, bytes))
        return false;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    sync_folder_of(path);
    return true;
}

}  // namespace papyr
