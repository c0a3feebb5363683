// File calls on Linux: every descriptor is closed on exec; O_EXCL refuses links.
#include "file_calls.h"

#include <fcntl.h>

namespace chimora {

int openForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int openExistingForWriting(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
}

int createNewFile(const std::string& path) {
    // The kernel applies the umask to 0666.
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

void useBinaryMode(int) {}

} // namespace chimora
