// The clock-driven scheduler: on every 300 ms timer tick it reads the local time and, at most
// once per second of clock time, plays what the schedule says; it also forms the clock text.
// Everything here runs on the window thread and reaches the engine through its LockedEngine.
#pragma once

#include "chime.h"
#include "directory_search.h"
#include "file_reader.h"
#include "local_time_source.h"
#include "locked_engine.h"
#include "random_sequence.h"
#include "render_priority.h"
#include "repaint_request.h"
#include "settings.h"
#include "signal_observer.h"
#include "song_file_player.h"

#include <cstdint>
#include <span>
#include <string>

namespace chimora {

// The last local time the scheduler read; all 0 at start.
struct SchedulerClock {
    std::uint16_t second = 0;
    std::uint16_t previousSecond = 0; // `second` as it stood before the latest tick's reading
    std::uint16_t minute = 0;
    std::uint16_t hour = 0;
};

// The platform services the scheduler uses, each implemented by the window's platform.
struct SchedulerSeams {
    LocalTimeSource& localTime;
    DirectorySearch& directorySearch;
    FileReader& fileReader;
    RenderPriority& renderPriority;
    RepaintRequest& repaint;
};

class TimeSignalScheduler {
public:
    TimeSignalScheduler(LockedEngine& engine, const Settings& settings, SchedulerSeams seams);

    // Reads the clock; when the second number changed, draws one random number and carries out
    // the schedule row of this minute and second, if any. Then updates the clock text and asks
    // for a repaint. Called by the window's 300 ms timer.
    void onTimerTick();

    // Plays a random song file of the folder, unless a channel plays or it is minute 59. The
    // time it reads is stored in the clock, so the next tick may see no change.
    void listenRandom();

    // Tells `observer` (or nobody, when null) of each signal from now on; it must outlive
    // the scheduler or be replaced first.
    void setSignalObserver(SignalObserver* observer) { observer_ = observer; }

    // "%d:%d" of minute and second; a single space until the first tick.
    const std::string& displayText() const { return displayText_; }
    const SchedulerClock& clock() const { return clock_; }

private:
    void runScheduleRow();
    void playMelodyBeforeHour();
    void stopEverything();
    void storeTime(const LocalTime& time);
    void playScheduledChime(SignalKind kind, ChimeName chime);
    void report(SignalKind kind, const std::string& songName = std::string());

    LockedEngine& engine_;
    const Settings& settings_;
    SchedulerSeams seams_;
    RandomSequence random_;
    SongFilePlayer songs_;
    SchedulerClock clock_;
    std::string displayText_ = " ";
    SignalObserver* observer_ = nullptr;
};

} // namespace chimora
