// Reading a whole file into memory, for the song files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chimora {

class FileReader {
public:
    virtual ~FileReader() = default;
    // Replaces `bytes` with the file's contents and returns true. A short read keeps the bytes
    // actually read. A path that cannot be opened or read, names a folder, or holds more than
    // SONG_FILE_MAX_BYTES (song_file_limit.h) returns false.
    virtual bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) = 0;
};

} // namespace chimora
