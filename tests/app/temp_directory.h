// A fresh folder under the system's temporary directory, removed with everything in it at the
// end of the test. WorkingDirectory makes it the current directory for the test's duration,
// since the program's paths are relative to the current directory. Both work on Linux and on
// Windows alike.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace chimora::testing {

class TempDirectory {
public:
    // A new name is tried until the system creates it: create_directory refuses a folder that
    // exists, so two tests (or two runs) never share one.
    TempDirectory() {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::mt19937_64 names(std::random_device{}() ^
                              static_cast<std::uint64_t>(
                                  std::chrono::steady_clock::now().time_since_epoch().count()));
        do {
            path_ = base / ("chimora-" + std::to_string(names() % 1000000000000ull));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& path)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

inline void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace chimora::testing
