// POSIX file calls for the settings file.
#include "text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace chimora {
namespace {

// Mode of a settings file that does not exist yet: readable by all, writable by the owner.
constexpr mode_t NEW_FILE_MODE = 0644;

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

mode_t modeFor(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) return status.st_mode & 07777;
    return NEW_FILE_MODE;
}

} // namespace

std::optional<std::string> readTextFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    std::string text;
    const bool complete = appendAll(fd, text);
    ::close(fd);
    if (!complete) return std::nullopt;
    return text;
}

bool replaceFileAtomically(const std::string& path, std::string_view contents) {
    std::string temporaryPath = path + ".XXXXXX";
    const int fd = ::mkstemp(temporaryPath.data());
    if (fd < 0) return false;
    const bool written = ::fchmod(fd, modeFor(path)) == 0 && writeAll(fd, contents) &&
                         ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporaryPath.c_str(), path.c_str()) != 0) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    return true;
}

} // namespace chimora
