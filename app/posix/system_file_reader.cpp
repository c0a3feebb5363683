// Reading a song file on Linux. Only regular files are read: a folder, a pipe or a device counts
// as a file that cannot be opened (a pipe would block the window thread), and so does a file
// larger than SONG_FILE_MAX_BYTES. Reads up to the size the file had when it was opened; a read
// that ends early keeps what came.
#include "song_file_limit.h"
#include "system_services.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace chimora {
namespace {

// Bytes read into `bytes` (sized beforehand) until it is full, the file ends or a read fails;
// -1 when the very first read fails.
long long readInto(int fd, std::vector<std::uint8_t>& bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && filled == 0) return -1;
        if (count <= 0) break;
        filled += static_cast<std::size_t>(count);
    }
    return static_cast<long long>(filled);
}

bool readOpenFile(int fd, std::vector<std::uint8_t>& bytes) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
    if (static_cast<std::uintmax_t>(status.st_size) > SONG_FILE_MAX_BYTES) return false;
    try {
        bytes.assign(static_cast<std::size_t>(status.st_size), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const long long filled = readInto(fd, bytes);
    if (filled < 0) return false;
    bytes.resize(static_cast<std::size_t>(filled));
    return true;
}

} // namespace

bool SystemFileReader::readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    // Non-blocking, so that opening a pipe does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool read = readOpenFile(fd, bytes);
    ::close(fd);
    return read;
}

} // namespace chimora
