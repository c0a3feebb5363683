// The commands in the order the user sees their effects: the file is written before memory
// and mark change, so a choice that shows has been kept.
#include "clock_commands.h"

#include "menu_marks.h"

namespace chimora {
namespace {

// Index of `commandId` in `commands`, or -1.
template <std::size_t N> int indexOf(const int (&commands)[N], int commandId) {
    for (std::size_t i = 0; i < N; ++i) {
        if (commands[i] == commandId) return static_cast<int>(i);
    }
    return -1;
}

} // namespace

ClockCommands::ClockCommands(LockedEngine& engine, Settings& settings,
                             TimeSignalScheduler& scheduler, CommandSeams seams)
    : engine_(engine), settings_(settings), scheduler_(scheduler), seams_(seams) {}

void ClockCommands::loadSettings() {
    chimora::loadSettings(settings_, seams_.profile, seams_.menu);
}

CommandOutcome ClockCommands::runCommand(int commandId) {
    if (const int i = indexOf(SWITCH_COMMANDS, commandId); i >= 0) {
        toggleSwitch(i);
        return CommandOutcome::done;
    }
    if (const int s = indexOf(VOLUME_COMMANDS, commandId); s >= 0) {
        selectVolumeStep(s);
        return CommandOutcome::done;
    }
    switch (commandId) {
    case CMD_ABOUT: return CommandOutcome::showAbout;
    case CMD_EXIT: return CommandOutcome::exitProgram;
    case CMD_REACQUIRE: reacquireDevice(); return CommandOutcome::done;
    case CMD_LISTEN: listenRandom(); return CommandOutcome::done;
    default: return CommandOutcome::notACommand;
    }
}

void ClockCommands::toggleSwitch(int switchIndex) {
    if (switchIndex < 0 || switchIndex >= SWITCH_COUNT) return;
    const bool turnOn = settings_.featureFlags[switchIndex] == 0;
    saveFeatureFlag(seams_.profile, switchIndex, turnOn);
    settings_.featureFlags[switchIndex] = turnOn ? 1 : 0;
    toggleMenuCheck(seams_.menu, switchIndex, SWITCH_COUNT, SWITCH_MENU_POSITION);
}

void ClockCommands::selectVolumeStep(int step) {
    if (step < 0 || step >= VOLUME_STEP_COUNT) return;
    settings_.melodyGain = volumeStepGains[step];
    checkOneMenuItem(seams_.menu, step, VOLUME_STEP_COUNT, VOLUME_MENU_POSITION);
    saveVolume(seams_.profile, step);
}

void ClockCommands::reacquireDevice() {
    if (anyChannelActive()) {
        seams_.messages.showNotice(MESSAGE_STILL_PLAYING, NOTICE_CAPTION);
        return;
    }
    seams_.messages.showNotice(MESSAGE_REACQUIRING, NOTICE_CAPTION);
    seams_.audio.reacquireAudio();
    seams_.messages.showNotice(MESSAGE_REACQUIRED, NOTICE_CAPTION);
}

void ClockCommands::listenRandom() { scheduler_.listenRandom(); }

bool ClockCommands::anyChannelActive() { return engine_.countActiveChannels() != 0; }

} // namespace chimora
