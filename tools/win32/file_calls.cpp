// File calls on Windows: the C runtime's descriptors, always in binary mode.
#include "file_calls.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace chimora {

int openForReading(const std::string& path) { return ::_open(path.c_str(), _O_RDONLY | _O_BINARY); }

int openExistingForWriting(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
}

int createNewFile(const std::string& path) {
    return ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}

void useBinaryMode(int fd) { ::_setmode(fd, _O_BINARY); }

} // namespace chimora
