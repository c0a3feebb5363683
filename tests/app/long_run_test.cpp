// Seven days of the schedule on a virtual clock, with a folder of songs read through the real
// Linux services: every signal starts at its second, once, day after day, and the heap does
// not grow from one day to the next.
#include "app_fakes.h"
#include "app_paths.h"
#include "settings.h"
#include "signal_observer.h"
#include "system_services.h"
#include "temp_directory.h"
#include "time_signal_scheduler.h"

#include <gtest/gtest.h>

#include <filesystem>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>
#include <vector>

namespace chimora {
namespace {

// Bytes the C library's heap has handed out; 0 where it cannot say, which leaves the growth
// check to the platforms that can.
std::size_t heapBytesInUse() {
#if defined(__GLIBC__)
    return ::mallinfo2().uordblks;
#else
    return 0;
#endif
}

using namespace chimora::testing;

class SignalLog final : public SignalObserver {
public:
    void signalStarted(const StartedSignal& signal) override { started.push_back(signal); }
    std::vector<StartedSignal> started;
};

// The signals of one day, in order, as (second of the day, kind).
std::vector<std::pair<int, SignalKind>> expectedDay() {
    std::vector<std::pair<int, SignalKind>> day;
    for (int hour = 0; hour < 24; ++hour) {
        const int start = hour * 3600;
        day.emplace_back(start + 15 * 60, SignalKind::quarter);
        day.emplace_back(start + 30 * 60, SignalKind::half);
        day.emplace_back(start + 45 * 60, SignalKind::quarter);
        day.emplace_back(start + 59 * 60 + 30, SignalKind::melody);
        day.emplace_back(start + 59 * 60 + 57, SignalKind::hour);
    }
    return day;
}

TEST(LongRunTest, SevenDaysOfSignalsEachAtItsSecondWithoutGrowth) {
    TempDirectory folder;
    WorkingDirectory inFolder{folder.path()};
    std::filesystem::create_directory("jihomml");
    for (int hour = 0; hour < 24; ++hour) {
        const std::string prefix = (hour < 10 ? "0" : "") + std::to_string(hour);
        writeFile(songFolderPath(prefix + "a.mml"), "0t180l16[cdefgab>c<]4\r\n1o3l2[ceg]3\r\n");
        writeFile(songFolderPath(prefix + "b.mml"),
                  "0l8" + std::string(static_cast<std::size_t>(hour + 1), 'e') + "\r\n");
    }
    Engine engine;
    LockedEngine lockedEngine{engine};
    Settings settings;
    VirtualClock clock;
    SystemDirectorySearch directory;
    SystemFileReader files;
    FakeRenderPriority priority{lockedEngine};
    CountingRepaint repaint;
    TimeSignalScheduler scheduler{
        lockedEngine, settings, {clock, directory, files, priority, repaint}};
    const std::vector<std::pair<int, SignalKind>> day = expectedDay();
    SignalLog log;
    log.started.reserve(8 * day.size()); // the log itself must not count as growth
    scheduler.setSignalObserver(&log);
    std::size_t heapAfterFirstDay = 0;
    constexpr long long DAY_MS = 86'400'000;
    constexpr int TICK_MS = 300;
    // Start a little after midnight so that the first tick sees a new second.
    for (long long now = 7; now < 7 * DAY_MS; now += TICK_MS) {
        clock.nowMs = now;
        scheduler.onTimerTick();
        if (now + TICK_MS >= DAY_MS && now < DAY_MS) heapAfterFirstDay = heapBytesInUse();
    }
    const std::size_t heapAtEnd = heapBytesInUse();

    ASSERT_EQ(log.started.size(), 7 * day.size());
    for (std::size_t i = 0; i < log.started.size(); ++i) {
        const StartedSignal& signal = log.started[i];
        const auto& [second, kind] = day[i % day.size()];
        const int at = (signal.at.hour * 60 + signal.at.minute) * 60 + signal.at.second;
        ASSERT_EQ(at, second) << "signal " << i;
        ASSERT_EQ(signal.kind, kind) << "signal " << i;
        if (kind == SignalKind::melody) {
            const std::string hour = std::string(signal.songName, 0, 2);
            EXPECT_EQ(std::stoi(hour), signal.at.hour) << signal.songName;
        }
    }
    // A song's texts and file buffer live for one load only.
    EXPECT_LE(heapAtEnd, heapAfterFirstDay + 64 * 1024);
}

} // namespace
} // namespace chimora
