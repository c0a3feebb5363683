// Profile strings on Windows: GetPrivateProfileStringA and WritePrivateProfileStringA, which
// keep a cached copy of the file until it is flushed.
#include "system_services.h"

#include <windows.h>

#include <vector>

namespace chimora {

std::string SystemProfileStrings::readString(const char* path, const char* section, const char* key,
                                             const char* defaultValue, std::size_t bufferChars) {
    if (bufferChars == 0) return {};
    std::vector<char> buffer(bufferChars, '\0');
    const DWORD length = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(),
                                                  static_cast<DWORD>(bufferChars), path);
    return std::string(buffer.data(), length);
}

void SystemProfileStrings::writeString(const char* path, const char* section, const char* key,
                                       const char* value) {
    WritePrivateProfileStringA(section, key, value, path);
}

void SystemProfileStrings::flush(const char* path) {
    // All three names null: the system drops its cached copy of the file.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
}

} // namespace chimora
