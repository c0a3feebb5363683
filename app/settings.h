// The user's choices kept in ".\switch.ini": the four signal switches and the volume step of
// song-file melodies. Everything here runs on the window thread.
#pragma once

#include "menu_check_marks.h"
#include "profile_strings.h"

#include <cstdint>

namespace chimora {

constexpr int SWITCH_COUNT = 4;
constexpr int VOLUME_STEP_COUNT = 4;

// Switch numbers: which signal each one enables.
constexpr int SWITCH_MELODY = 0;  // the melody before the hour, minute 59 second 30
constexpr int SWITCH_HOUR = 1;    // the hour signal, minute 59 second 57
constexpr int SWITCH_HALF = 2;    // the half-hour chime, minute 30 second 0
constexpr int SWITCH_QUARTER = 3; // the quarter chimes, minutes 15 and 45 second 0

// Top-level menu positions of the drop-downs that show the switches and the volume step.
constexpr int SWITCH_MENU_POSITION = 1;
constexpr int VOLUME_MENU_POSITION = 2;

// Master gain of song files per volume step: +3, 0, -3 and -6 dB as amplitude factors
// (10^(dB/20), rounded to the values the program has always used).
constexpr double volumeStepGains[VOLUME_STEP_COUNT] = {1.41, 1.0, 0.705, 0.5};

constexpr int DEFAULT_VOLUME_STEP = 1;

struct Settings {
    std::uint8_t featureFlags[SWITCH_COUNT] = {1, 1, 1, 1}; // switch i is on when 1
    double melodyGain = volumeStepGains[DEFAULT_VOLUME_STEP];
};

// Reads the switches and the volume step into `settings` and sets the menu's check marks; a
// missing file or key reads as its default. Called once, after the menu exists. Writes nothing.
void loadSettings(Settings& settings, ProfileStrings& profile, MenuCheckMarks& menu);

// Writes switch i's key ("menu0".."menu3" in "kinou") as "1" or "0". Other indexes are ignored.
void saveFeatureFlag(ProfileStrings& profile, int switchIndex, bool on);

// Writes "vol" in "onryo" as the step's digit "0".."3". Other steps are ignored.
void saveVolume(ProfileStrings& profile, int step);

} // namespace chimora
