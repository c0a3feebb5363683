// Directory search on Windows with FindFirstFileA and FindNextFileA: each result's long file
// name, folders included, in the order the file system delivers them.
#include "system_services.h"

#include <windows.h>

namespace chimora {

std::vector<std::string> SystemDirectorySearch::findNames(const std::string& wildcardPath,
                                                          std::size_t maxNames) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(wildcardPath.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(found.cFileName);
    } while (names.size() < maxNames && FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

} // namespace chimora
