// Reading and writing single values of an INI ("profile") file by section and key.
#pragma once

#include <cstddef>
#include <string>

namespace chimora {

class ProfileStrings {
public:
    virtual ~ProfileStrings() = default;
    // The key's value, or `defaultValue` when the file, the section or the key is missing; at
    // most bufferChars - 1 characters are returned, as from a buffer of bufferChars with its NUL.
    virtual std::string readString(const char* path, const char* section, const char* key,
                                   const char* defaultValue, std::size_t bufferChars) = 0;
    // Stores the value under the key, creating the file, section or key as needed. Failures
    // are not reported: settings that cannot be written are simply not kept.
    virtual void writeString(const char* path, const char* section, const char* key,
                             const char* value) = 0;
    // Drops any copy of the file that the platform keeps cached, so that it is read afresh.
    virtual void flush(const char* path) = 0;
};

} // namespace chimora
