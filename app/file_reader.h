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
    // actually read. A path that cannot be opened or read, or names a folder, returns false.
    virtual bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) = 0;
};

} // namespace chimora
