// Song files on Windows: CreateFileA, GetFileSize and one ReadFile of the whole size. A folder
// cannot be opened this way, so it counts as a file that cannot be opened; a file larger than
// SONG_FILE_MAX_BYTES counts as one that cannot be read.
#include "song_file_limit.h"
#include "system_services.h"

#include <windows.h>

#include <new>

namespace chimora {
namespace {

bool readOpenFile(HANDLE file, std::vector<std::uint8_t>& bytes) {
    // The high half is asked for too, so that a file of 4 GiB or more is not taken for a small one.
    DWORD sizeHigh = 0;
    const DWORD sizeBytes = GetFileSize(file, &sizeHigh);
    if (sizeBytes == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    if (sizeHigh != 0 || sizeBytes > SONG_FILE_MAX_BYTES) return false;
    try {
        bytes.assign(sizeBytes, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (sizeBytes == 0) return true; // an empty file is a song with no channel lines
    DWORD readBytes = 0;
    const BOOL read = ReadFile(file, bytes.data(), sizeBytes, &readBytes, nullptr);
    if (!read && readBytes == 0) return false;
    bytes.resize(readBytes);
    return true;
}

} // namespace

bool SystemFileReader::readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool read = readOpenFile(file, bytes);
    CloseHandle(file);
    return read;
}

} // namespace chimora
