// POSIX file calls for the settings file.
#include "text_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace chimora {
namespace {

// A settings file that does not exist yet gets the mode of any newly created file: 0666 less
// the umask. (The umask can only be read by setting it; the window thread alone writes files.)
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

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

mode_t modeFor(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) return status.st_mode & 07777;
    return newFileMode();
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

bool replaceFileAtomically(const std::string& requestedPath, std::string_view contents) {
    const std::string path = targetOf(requestedPath);
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
