// Stand-ins for the platform and the window, for driving the application core in tests.
#pragma once

#include "directory_search.h"
#include "engine.h"
#include "file_reader.h"
#include "local_time_source.h"
#include "locked_engine.h"
#include "menu_check_marks.h"
#include "render_priority.h"
#include "repaint_request.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace chimora::testing {

// A clock that reads whatever time of day the test has set, in milliseconds since midnight.
class VirtualClock final : public LocalTimeSource {
public:
    LocalTime readLocalTime() override {
        const long long secondOfDay = (nowMs / 1000) % 86400;
        return {static_cast<std::uint16_t>(secondOfDay / 3600),
                static_cast<std::uint16_t>(secondOfDay / 60 % 60),
                static_cast<std::uint16_t>(secondOfDay % 60)};
    }
    void set(int hour, int minute, int second, int milliseconds = 0) {
        nowMs = ((hour * 60LL + minute) * 60 + second) * 1000 + milliseconds;
    }
    long long nowMs = 0;
};

// Answers each exact wildcard path with the names the test gave it, and logs every search.
class FakeDirectorySearch final : public DirectorySearch {
public:
    std::vector<std::string> findNames(const std::string& wildcardPath,
                                       std::size_t maxNames) override {
        searches.push_back(wildcardPath);
        std::vector<std::string> names = folders[wildcardPath];
        if (names.size() > maxNames) names.resize(maxNames);
        return names;
    }
    std::map<std::string, std::vector<std::string>> folders;
    std::vector<std::string> searches;
};

// Files by path; every path asked for is logged, readable or not.
class FakeFileReader final : public FileReader {
public:
    bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) override {
        reads.push_back(path);
        const auto file = files.find(path);
        if (file == files.end()) return false;
        bytes.assign(file->second.begin(), file->second.end());
        return true;
    }
    std::map<std::string, std::string> files;
    std::vector<std::string> reads;
};

// Logs each priority change together with the number of channels running at that moment.
class FakeRenderPriority final : public RenderPriority {
public:
    explicit FakeRenderPriority(LockedEngine& engine) : engine_(engine) {}
    void setRenderPriorityNormal() override { log("normal"); }
    void setRenderPriorityTimeCritical() override { log("time-critical"); }
    std::vector<std::string> changes;

private:
    void log(const char* level) {
        changes.push_back(std::string(level) + " with " +
                          std::to_string(engine_.countActiveChannels()) + " running");
    }
    LockedEngine& engine_;
};

class CountingRepaint final : public RepaintRequest {
public:
    void requestRepaint() override { ++requests; }
    int requests = 0;
};

// A menu bar of four drop-downs with four items each, all unchecked at first.
class FakeMenu final : public MenuCheckMarks {
public:
    bool isItemChecked(int top, int item) override { return checked[top][item]; }
    void setItemChecked(int top, int item, bool on) override { checked[top][item] = on; }
    void redrawMenuBar() override { ++redraws; }
    // The marks of one drop-down as "1" and "0" characters, item 0 first.
    std::string marks(int top) const {
        std::string text;
        for (bool on : checked[top]) text += on ? '1' : '0';
        return text;
    }
    bool checked[4][4] = {};
    int redraws = 0;
};

} // namespace chimora::testing
