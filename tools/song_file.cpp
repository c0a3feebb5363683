// Song reading with POSIX calls: the type of the input is checked before it is read, and no
// input is read past the size bound, so neither /dev/zero nor an endless pipe fills memory.
#include "song_file.h"

#include "file_calls.h"
#include "song_file_limit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace chimora {

namespace {

constexpr std::size_t READ_CHUNK_BYTES = 64 * 1024;
constexpr std::size_t MEGABYTE = 1024 * 1024;

std::string displayName(const std::string& path) {
    return path == STDIN_PATH ? "standard input" : "'" + path + "'";
}

std::string failure(const char* action, const std::string& path) {
    return std::string(action) + " " + displayName(path) + ": " + std::strerror(errno);
}

std::string tooLarge(const std::string& path) {
    return displayName(path) + " is larger than " + std::to_string(SONG_FILE_MAX_BYTES / MEGABYTE) +
           " MB, far more than any song; it is not read";
}

// Refuses what is no song without opening it (opening some devices has effects of its own).
bool refuseType(const struct stat& status, const std::string& path, std::string& error) {
    if (S_ISDIR(status.st_mode)) {
        error = "cannot read " + displayName(path) + ": it is a folder";
        return true;
    }
    if (!S_ISREG(status.st_mode) && !S_ISFIFO(status.st_mode)) {
        error = "cannot read " + displayName(path) + ": not a regular file or a pipe";
        return true;
    }
    return false;
}

// Appends up to SONG_FILE_MAX_BYTES + 1 bytes, so that one byte too many is seen.
bool readBounded(int fd, const std::string& path, std::vector<std::uint8_t>& bytes,
                 std::string& error) {
    std::size_t filled = 0;
    for (;;) {
        const std::size_t room = std::min(READ_CHUNK_BYTES, SONG_FILE_MAX_BYTES + 1 - filled);
        bytes.resize(filled + room);
        const auto count = ::read(fd, bytes.data() + filled, static_cast<unsigned>(room));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            error = failure("cannot read", path);
            return false;
        }
        if (count == 0) break;
        filled += static_cast<std::size_t>(count);
        if (filled > SONG_FILE_MAX_BYTES) {
            error = tooLarge(path);
            return false;
        }
    }
    bytes.resize(filled);
    return true;
}

bool readOpenSong(int fd, const std::string& path, std::vector<std::uint8_t>& bytes,
                  std::string& error) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        error = failure("cannot read", path);
        return false;
    }
    // Standard input is whatever the user made it (a terminal, a device): the bound suffices.
    if (path != STDIN_PATH && refuseType(status, path, error)) return false;
    if (S_ISREG(status.st_mode) &&
        static_cast<std::uintmax_t>(status.st_size) > SONG_FILE_MAX_BYTES) {
        error = tooLarge(path);
        return false;
    }
    return readBounded(fd, path, bytes, error);
}

} // namespace

bool readSongFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    bool read = false;
    if (path == STDIN_PATH) {
        useBinaryMode(STDIN_FILENO);
        read = readOpenSong(STDIN_FILENO, path, bytes, error);
    } else {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) {
            error = failure("cannot open", path);
            return false;
        }
        if (refuseType(status, path, error)) return false;
        const int fd = openForReading(path);
        if (fd < 0) {
            error = failure("cannot open", path);
            return false;
        }
        read = readOpenSong(fd, path, bytes, error); // checks the type again: it may have changed
        ::close(fd);
    }
    if (!read) return false;
    return true;
}

} // namespace chimora
