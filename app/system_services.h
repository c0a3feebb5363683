// The real implementations of the platform interfaces, one set per platform: the build compiles
// those of win32/ or posix/. The window creates one of each and hands them to the core.
// All of them belong to the window thread.
#pragma once

#include "directory_search.h"
#include "file_reader.h"
#include "local_time_source.h"
#include "profile_strings.h"

namespace chimora {

class SystemLocalTime final : public LocalTimeSource {
public:
    LocalTime readLocalTime() override;
};

class SystemProfileStrings final : public ProfileStrings {
public:
    std::string readString(const char* path, const char* section, const char* key,
                           const char* defaultValue, std::size_t bufferChars) override;
    void writeString(const char* path, const char* section, const char* key,
                     const char* value) override;
    void flush(const char* path) override;
};

class SystemDirectorySearch final : public DirectorySearch {
public:
    std::vector<std::string> findNames(const std::string& wildcardPath,
                                       std::size_t maxNames) override;
};

class SystemFileReader final : public FileReader {
public:
    bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) override;
};

} // namespace chimora
