// Directory search on Linux with readdir and fnmatch: "*" matches any run of characters, names
// compare without regard to letter case, and folders match too. Matches come in case-insensitive
// name order (the file system's own order is arbitrary), so which names a limited search takes
// is repeatable. The wildcard stands in the last path component only.
#include "system_services.h"

#include "ascii_case.h"

#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>

namespace chimora {
namespace {

// Case-insensitive order; names that differ only in case fall back to byte order.
bool comesBefore(const std::string& a, const std::string& b) {
    const auto lowerLess = [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) <
               static_cast<unsigned char>(lowerAscii(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lowerLess))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lowerLess))
        return false;
    return a < b;
}

std::vector<std::string> matchingNames(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) return names;
    while (const dirent* entry = ::readdir(directory)) {
        if (::fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD | FNM_NOESCAPE) == 0) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(directory);
    return names;
}

} // namespace

std::vector<std::string> SystemDirectorySearch::findNames(const std::string& wildcardPath,
                                                          std::size_t maxNames) {
    const std::size_t slash = wildcardPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : wildcardPath.substr(0, slash + 1);
    const std::string pattern =
        slash == std::string::npos ? wildcardPath : wildcardPath.substr(slash + 1);
    std::vector<std::string> names = matchingNames(folder, pattern);
    std::sort(names.begin(), names.end(), comesBefore);
    if (names.size() > maxNames) names.resize(maxNames);
    return names;
}

} // namespace chimora
