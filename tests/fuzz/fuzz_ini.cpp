// Fuzz target: the Linux INI rules on any file contents. Reading never fails; a write followed
// by a read gives back the value written, and every other line survives in order.
#include "ini_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Setting {
    std::string_view section;
    std::string_view key;
};

constexpr Setting SETTINGS[] = {{"kinou", "menu0"},
                                {"kinou", "menu1"},
                                {"kinou", "menu2"},
                                {"kinou", "menu3"},
                                {"onryo", "vol"}};
constexpr std::string_view VALUES[] = {"0", "1", "2", "3"};

// Lines without their ends, so that a last line that gains a line end still matches.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// The lines of `before` are those of `after` but for at most one: the lines in front of the
// change and behind it match, and at most one old line lies between them (the line the write
// replaced; an added key or section only adds lines).
bool otherLinesSurvive(std::string_view before, std::string_view after) {
    const std::vector<std::string_view> old = linesOf(before);
    const std::vector<std::string_view> now = linesOf(after);
    std::size_t front = 0;
    while (front < old.size() && front < now.size() && old[front] == now[front]) ++front;
    std::size_t back = 0;
    while (back < old.size() - front && back < now.size() - front &&
           old[old.size() - 1 - back] == now[now.size() - 1 - back]) {
        ++back;
    }
    return old.size() - front - back <= 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the setting and the value; the rest is the file.
    const Setting& setting = SETTINGS[data[0] % std::size(SETTINGS)];
    const std::string_view value = VALUES[(data[0] / std::size(SETTINGS)) % std::size(VALUES)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    for (const Setting& each : SETTINGS) (void)chimora::findIniValue(text, each.section, each.key);

    const std::string written = chimora::setIniValue(text, setting.section, setting.key, value);
    const auto readBack = chimora::findIniValue(written, setting.section, setting.key);
    if (!readBack || *readBack != value) std::abort();
    if (!otherLinesSurvive(text, written)) std::abort();
    return 0;
}
