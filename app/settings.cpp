// Reading and writing the settings file. Values are read the way atoi reads them, so "01",
// "+1" and " 1" all mean 1 and anything without leading digits means 0.
#include "settings.h"

#include "app_paths.h"
#include "menu_marks.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace chimora {
namespace {

constexpr char SWITCH_SECTION[] = "kinou";
constexpr char VOLUME_SECTION[] = "onryo";
constexpr char VOLUME_KEY[] = "vol";
constexpr char DEFAULT_VALUE[] = "1";
// The value buffer holds 14 characters and the terminator; longer values are cut.
constexpr std::size_t VALUE_BUFFER_CHARS = 15;

std::string switchKey(int switchIndex) { return "menu" + std::to_string(switchIndex); }

// Blanks, one optional sign, then digits up to the first non-digit; no digits give 0.
// At most 14 characters come in, so the value always fits without overflow.
long long readInteger(ProfileStrings& profile, const std::string& path, const char* section,
                      const char* key) {
    const std::string text =
        profile.readString(path.c_str(), section, key, DEFAULT_VALUE, VALUE_BUFFER_CHARS);
    return std::strtoll(text.c_str(), nullptr, 10);
}

void loadSwitches(Settings& settings, ProfileStrings& profile, MenuCheckMarks& menu,
                  const std::string& path) {
    for (int i = 0; i < SWITCH_COUNT; ++i) {
        const bool on = readInteger(profile, path, SWITCH_SECTION, switchKey(i).c_str()) == 1;
        settings.featureFlags[i] = on ? 1 : 0;
        // The items start unchecked, so flipping one checks it.
        if (on) toggleMenuCheck(menu, i, SWITCH_COUNT, SWITCH_MENU_POSITION);
    }
}

void loadVolumeStep(Settings& settings, ProfileStrings& profile, MenuCheckMarks& menu,
                    const std::string& path) {
    const long long value = readInteger(profile, path, VOLUME_SECTION, VOLUME_KEY);
    const int step = static_cast<int>(std::clamp<long long>(value, 0, VOLUME_STEP_COUNT - 1));
    settings.melodyGain = volumeStepGains[step];
    checkOneMenuItem(menu, step, VOLUME_STEP_COUNT, VOLUME_MENU_POSITION);
}

} // namespace

void loadSettings(Settings& settings, ProfileStrings& profile, MenuCheckMarks& menu) {
    const std::string path = settingsFilePath();
    loadSwitches(settings, profile, menu, path);
    loadVolumeStep(settings, profile, menu, path);
    profile.flush(path.c_str());
}

void saveFeatureFlag(ProfileStrings& profile, int switchIndex, bool on) {
    if (switchIndex < 0 || switchIndex >= SWITCH_COUNT) return;
    profile.writeString(settingsFilePath().c_str(), SWITCH_SECTION, switchKey(switchIndex).c_str(),
                        on ? "1" : "0");
}

void saveVolume(ProfileStrings& profile, int step) {
    if (step < 0 || step >= VOLUME_STEP_COUNT) return;
    const std::string digit = std::to_string(step);
    profile.writeString(settingsFilePath().c_str(), VOLUME_SECTION, VOLUME_KEY, digit.c_str());
}

} // namespace chimora
