#include "working_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace chimora {
namespace {

// The variable's value when it is an absolute path.
std::optional<std::string> absolutePathVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::string(value);
}

} // namespace

std::optional<std::string> defaultWorkingFolder() {
    if (const auto dataHome = absolutePathVariable("XDG_DATA_HOME")) return *dataHome + "/chimora";
    if (const auto home = absolutePathVariable("HOME")) return *home + "/.local/share/chimora";
    return std::nullopt;
}

std::optional<std::string> enterWorkingFolder(const std::string& folder) {
    std::error_code error;
    if (folder.empty()) return "chimora: the folder to work in is empty";
    std::filesystem::create_directories(folder, error);
    if (!error) std::filesystem::current_path(folder, error);
    if (error) return "chimora: cannot use the folder '" + folder + "': " + error.message();
    return std::nullopt;
}

} // namespace chimora
