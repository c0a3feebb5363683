// POSIX file calls for the settings file.
#include "text_file.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace chimora {
namespace {

// Writing through a symbolic link replaces the file it points at and keeps the link.
std::string targetOf(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

bool writeAll(int fd, std::string_view contents) {
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t count = ::write(fd, contents.data() + written, contents.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

bool appendAll(int fd, std::string& text) {
    char chunk[4096];
    for (;;) {
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) return true;
        text.append(chunk, static_cast<std::size_t>(count));
    }
}

// The mode of the file being replaced, or nothing when there is none yet.
std::optional<mode_t> existingMode(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) return status.st_mode & 07777;
    return std::nullopt;
}

// Creates a new file beside `path` for writing, under a name no other file has. It is created
// with mode 0666, which the kernel narrows by the umask, so a settings file that did not exist
// gets the mode of any new file without the umask being read (reading it means setting it,
// which would race with every other thread that creates a file).
int createTemporaryBeside(const std::string& path, std::string& temporaryPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = path + ".tmp-" + std::to_string(::getpid()) + "-" +
                        std::to_string(counter.fetch_add(1));
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

std::optional<std::string> readTextFile(const std::string& path) {
    // Non-blocking, and regular files only: a pipe would wait for a writer and a device such as
    // /dev/zero would never end, so either counts as a file that cannot be read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    const bool complete = appendAll(fd, text);
    ::close(fd);
    if (!complete) return std::nullopt;
    return text;
}

bool replaceFileAtomically(const std::string& requestedPath, std::string_view contents) {
    const std::string path = targetOf(requestedPath);
    std::string temporaryPath;
    const int fd = createTemporaryBeside(path, temporaryPath);
    if (fd < 0) return false;
    const std::optional<mode_t> mode = existingMode(path);
    const bool written =
        (!mode || ::fchmod(fd, *mode) == 0) && writeAll(fd, contents) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporaryPath.c_str(), path.c_str()) != 0) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    return true;
}

} // namespace chimora
