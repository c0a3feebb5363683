// A scheduler wired to a real engine and to fakes of everything else, with helpers to read
// back what the engine was told to play.
#pragma once

#include "app_fakes.h"
#include "app_paths.h"
#include "engine_test_support.h"
#include "time_signal_scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chimora::testing {

// The channel's events up to the first end event, whose argument (never read) is left out:
// a buffer that held a longer stream before keeps stale bytes there.
inline std::vector<Event> playedStream(const Engine& engine, int channel) {
    std::vector<Event> events = streamOf(engine, channel);
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].first == EV_END || events[i].first == EV_STREAM_END) {
            events.resize(i + 1);
            events[i].second = 0;
            break;
        }
    }
    return events;
}

// The events that the text compiles to on a fresh channel.
inline std::vector<Event> compiledStream(const char* mml) {
    Engine reference;
    reference.clearAllEvents();
    reference.compileChannel(0, mml);
    return playedStream(reference, 0);
}

// The n-th number (counting from 1) that the generator gives after start-up.
inline int nthRandom(long long n) {
    std::uint32_t state = 1;
    for (long long i = 0; i < n; ++i) state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

class SchedulerTest : public ::testing::Test {
protected:
    void tickAt(int hour, int minute, int second, int milliseconds = 0) {
        clock.set(hour, minute, second, milliseconds);
        scheduler.onTimerTick();
    }
    void listenAt(int hour, int minute, int second, int milliseconds = 0) {
        clock.set(hour, minute, second, milliseconds);
        scheduler.listenRandom();
    }
    // Song files songFolderPath("<name>") that each play one note on each of the given channels.
    void addSongs(const std::string& pattern, const std::vector<std::string>& names,
                  const std::string& channels = "0") {
        directory.folders[songFolderPath(pattern)] = names;
        std::string text;
        for (char channel : channels) text += std::string(1, channel) + "c\r\n";
        for (const std::string& name : names) files.files[songFolderPath(name)] = text;
    }
    bool isRunning(int channel) const { return engine.channels[channel].active != 0; }

    Engine engine;
    LockedEngine lockedEngine{engine};
    Settings settings;
    VirtualClock clock;
    FakeDirectorySearch directory;
    FakeFileReader files;
    FakeRenderPriority priority{lockedEngine};
    CountingRepaint repaint;
    TimeSignalScheduler scheduler{
        lockedEngine, settings, {clock, directory, files, priority, repaint}};
};

} // namespace chimora::testing
