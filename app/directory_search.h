// Directory search by wildcard: "folder<separator>pattern", where "*" in the pattern stands
// for any run of characters and names compare without regard to letter case.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace chimora {

class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;
    // Bare names (no folder) of the entries that match, files and folders alike, in the order
    // the search delivers them; the search stops after maxNames. Nothing found gives none.
    virtual std::vector<std::string> findNames(const std::string& wildcardPath,
                                               std::size_t maxNames) = 0;
};

} // namespace chimora
