// Whole-file reading with the C library, so that errno names the reason of a failure.
#include "song_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace chimora {

namespace {

constexpr std::uint8_t LINE_FEED = 10;
constexpr std::size_t READ_CHUNK_BYTES = 64 * 1024;

std::string failure(const char* action, const std::string& path) {
    return std::string(action) + " '" + path + "': " + std::strerror(errno);
}

} // namespace

bool readSongFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = failure("cannot open", path);
        return false;
    }
    bytes.clear();
    std::size_t lengthBytes = 0;
    for (;;) {
        bytes.resize(lengthBytes + READ_CHUNK_BYTES);
        const std::size_t read = std::fread(bytes.data() + lengthBytes, 1, READ_CHUNK_BYTES, file);
        lengthBytes += read;
        if (read < READ_CHUNK_BYTES) break;
    }
    const bool failed = std::ferror(file) != 0; // a directory, for one
    if (failed) error = failure("cannot read", path);
    std::fclose(file);
    bytes.resize(lengthBytes);
    bytes.push_back(LINE_FEED);
    return !failed;
}

} // namespace chimora
