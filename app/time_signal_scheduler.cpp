// The schedule and the chimes. A row fires on the first tick that sees its second; a second
// that no tick sees (the window thread was busy) is skipped with its row.
#include "time_signal_scheduler.h"

#include "app_paths.h"

#include <cstdio>

namespace chimora {
namespace {

std::string twoDigits(int value) {
    char text[8]; // room for any 16-bit value
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

} // namespace

TimeSignalScheduler::TimeSignalScheduler(LockedEngine& engine, const Settings& settings,
                                         SchedulerSeams seams)
    : engine_(engine), settings_(settings), seams_(seams),
      songs_(engine, settings, seams.directorySearch, seams.fileReader, seams.renderPriority,
             random_) {}

void TimeSignalScheduler::onTimerTick() {
    clock_.previousSecond = clock_.second;
    storeTime(seams_.localTime.readLocalTime());
    if (clock_.second != clock_.previousSecond) {
        random_.nextRandom(); // drawn once per second seen, and discarded
        runScheduleRow();
    }
    displayText_ = std::to_string(clock_.minute) + ":" + std::to_string(clock_.second);
    seams_.repaint.requestRepaint();
}

void TimeSignalScheduler::runScheduleRow() {
    const int minute = clock_.minute;
    const int second = clock_.second;
    const std::uint8_t* flags = settings_.featureFlags;
    if ((minute == 15 || minute == 45) && second == 0) {
        if (flags[SWITCH_QUARTER]) playScheduledChime(SignalKind::quarter, ChimeName::quarter);
    } else if (minute == 30 && second == 0) {
        if (flags[SWITCH_HALF]) playScheduledChime(SignalKind::half, ChimeName::half);
    } else if (minute == 59 && second == 30) {
        if (flags[SWITCH_MELODY]) playMelodyBeforeHour();
    } else if (minute == 59 && second == 56) {
        stopEverything();
    } else if (minute == 59 && second == 57) {
        if (flags[SWITCH_HOUR]) playScheduledChime(SignalKind::hour, ChimeName::hour);
    }
}

// Picks among the song files named after the hour that is about to end: at 13:59:30 the
// names beginning with "13".
void TimeSignalScheduler::playMelodyBeforeHour() {
    const auto name = songs_.pickRandomFile(songFolderPath(twoDigits(clock_.hour) + "*.mml"));
    const bool played = name && songs_.playSongFile(songFolderPath(*name));
    report(SignalKind::melody, played ? *name : std::string());
}

void TimeSignalScheduler::stopEverything() { engine_.stopAllChannels(); }

void TimeSignalScheduler::listenRandom() {
    if (engine_.countActiveChannels() != 0) return;
    storeTime(seams_.localTime.readLocalTime());
    if (clock_.minute == 59) return;
    const auto name = songs_.pickRandomFile(songFolderPath("*.mml"));
    if (!name) return;
    if (songs_.playSongFile(songFolderPath(*name))) report(SignalKind::random, *name);
}

void TimeSignalScheduler::storeTime(const LocalTime& time) {
    clock_.second = time.second;
    clock_.minute = time.minute;
    clock_.hour = time.hour;
}

void TimeSignalScheduler::playScheduledChime(SignalKind kind, ChimeName chime) {
    engine_.startChime(chime);
    report(kind);
}

void TimeSignalScheduler::report(SignalKind kind, const std::string& songName) {
    if (observer_ == nullptr) return;
    observer_->signalStarted({{clock_.hour, clock_.minute, clock_.second}, kind, songName});
}

} // namespace chimora
