// Profile strings on Linux: the settings file read and written with the INI text rules of
// ini_text.h. Nothing is cached, so every read parses the file afresh and flushing has nothing
// to do; every write replaces the file whole and atomically.
#include "system_services.h"

#include "ini_text.h"
#include "text_file.h"

#include <algorithm>
#include <optional>

namespace chimora {

std::string SystemProfileStrings::readString(const char* path, const char* section, const char* key,
                                             const char* defaultValue, std::size_t bufferChars) {
    const std::optional<std::string> text = readTextFile(path);
    std::optional<std::string> value;
    if (text) value = findIniValue(*text, section, key);
    std::string result = value.value_or(defaultValue);
    // What fits a buffer of bufferChars characters with its terminator.
    result.resize(std::min(result.size(), bufferChars == 0 ? 0 : bufferChars - 1));
    return result;
}

void SystemProfileStrings::writeString(const char* path, const char* section, const char* key,
                                       const char* value) {
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    const std::optional<std::string> text = readTextFile(path);
    if (!text) return;
    replaceFileAtomically(path, setIniValue(*text, section, key, value));
}

void SystemProfileStrings::flush(const char*) {}

} // namespace chimora
