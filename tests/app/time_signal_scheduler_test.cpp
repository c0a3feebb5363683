#include "scheduler_rig.h"
#include "status_lines.h"

#include "test_names.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace chimora {
namespace {

using namespace chimora::testing;

TEST(RandomSequenceTest, StartsAtStateOneAndNeverReseeds) {
    RandomSequence random;
    const std::vector<int> expected = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    std::vector<int> drawn;
    for (std::size_t i = 0; i < expected.size(); ++i) drawn.push_back(random.nextRandom());
    EXPECT_EQ(drawn, expected);
}

// --- A whole day on a virtual clock -------------------------------------------------------

// Marks put into the engine before each tick, so that whatever the tick does shows.
constexpr double UNTOUCHED_GAIN = 0.25;
constexpr int MARKER_CHANNEL = 7; // runs until something stops every channel

class WholeDayTest : public SchedulerTest,
                     public ::testing::WithParamInterface<std::array<std::uint8_t, 4>> {
protected:
    static std::string stamp(long long secondOfDay) {
        char text[64]; // room for any three numbers, so the compiler sees no truncation
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", secondOfDay / 3600,
                      secondOfDay / 60 % 60, secondOfDay % 60);
        return text;
    }

    // Hours 0, 3, 6, ... have three song files, hours 1, 4, ... one, the others none.
    static std::vector<std::string> hourSongs(int hour) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "%02d", hour);
        if (hour % 3 == 0)
            return {prefix + std::string("-a.mml"), prefix + std::string("b.mml"),
                    prefix + std::string("c.MML")};
        if (hour % 3 == 1) return {prefix + std::string(" only.mml")};
        return {};
    }

    void SetUp() override {
        for (int hour = 0; hour < 24; ++hour) {
            char pattern[32];
            std::snprintf(pattern, sizeof pattern, "%02d*.mml", hour);
            addSongs(pattern, hourSongs(hour));
        }
        for (int i = 0; i < SWITCH_COUNT; ++i) settings.featureFlags[i] = GetParam()[i];
        settings.melodyGain = volumeStepGains[2];
    }

    // What the tick just made the engine do, or "" for nothing.
    std::string whatFired(std::size_t readsBefore) {
        const double gain = engine.masterGain.load();
        if (gain == CHIME_MASTER_GAIN) {
            const std::vector<Event> first = playedStream(engine, 0);
            if (first == compiledStream(CHIME_QUARTER)) return "quarter";
            if (first == compiledStream(CHIME_HALF_A) &&
                playedStream(engine, 1) == compiledStream(CHIME_HALF_B))
                return "half";
            if (first == compiledStream(CHIME_HOUR_A) &&
                playedStream(engine, 1) == compiledStream(CHIME_HOUR_B))
                return "hour";
            return "unknown chime";
        }
        if (files.reads.size() > readsBefore) {
            return (gain == settings.melodyGain ? "melody " : "wrong gain ") + files.reads.back();
        }
        if (!isRunning(MARKER_CHANNEL)) return "stop";
        return "";
    }

    std::vector<std::string> expectedDay() const {
        const auto& flags = GetParam();
        std::vector<std::string> day;
        long long picks = 0;
        for (int hour = 0; hour < 24; ++hour) {
            const long long start = hour * 3600LL;
            if (flags[SWITCH_QUARTER]) day.push_back(stamp(start + 15 * 60) + " quarter");
            if (flags[SWITCH_HALF]) day.push_back(stamp(start + 30 * 60) + " half");
            if (flags[SWITCH_QUARTER]) day.push_back(stamp(start + 45 * 60) + " quarter");
            const std::vector<std::string> songs = hourSongs(hour);
            const long long melodySecond = start + 59 * 60 + 30;
            if (flags[SWITCH_MELODY] && !songs.empty()) {
                // One draw for each second seen since midnight, one for each earlier pick.
                const int draw = nthRandom(melodySecond + picks + 1);
                ++picks;
                day.push_back(stamp(melodySecond) + " melody " +
                              songFolderPath(songs[draw % songs.size()]));
            }
            day.push_back(stamp(start + 59 * 60 + 56) + " stop");
            if (flags[SWITCH_HOUR]) day.push_back(stamp(start + 59 * 60 + 57) + " hour");
        }
        return day;
    }
};

TEST_P(WholeDayTest, EachRowFiresOnceOnTheFirstTickOfItsSecond) {
    std::vector<std::string> fired;
    for (long long nowMs = 0; nowMs < 86400LL * 1000; nowMs += 300) {
        engine.setMasterGain(UNTOUCHED_GAIN);
        engine.channels[MARKER_CHANNEL].active = 1;
        const std::size_t readsBefore = files.reads.size();
        clock.nowMs = nowMs;
        scheduler.onTimerTick();
        const std::string what = whatFired(readsBefore);
        if (what.empty()) continue;
        fired.push_back(stamp(nowMs / 1000) + " " + what);
        EXPECT_LT(nowMs % 1000, 300) << fired.back() << " fired after the second's first tick";
    }
    EXPECT_EQ(fired, expectedDay());
}

// Rows are named after the four switches, switch 0 first: "Switches0111".
std::string switchesName(const ::testing::TestParamInfo<std::array<std::uint8_t, 4>>& row) {
    std::string name = "Switches";
    for (std::uint8_t on : row.param) name += on ? '1' : '0';
    return name;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Switches, WholeDayTest,
    ::testing::Values(std::array<std::uint8_t, 4>{1, 1, 1, 1}, std::array<std::uint8_t, 4>{0, 1, 1, 1},
                      std::array<std::uint8_t, 4>{1, 0, 1, 1}, std::array<std::uint8_t, 4>{1, 1, 0, 1},
                      std::array<std::uint8_t, 4>{1, 1, 1, 0}, std::array<std::uint8_t, 4>{0, 0, 0, 0}),
    switchesName);
// clang-format on

// --- Chimes -------------------------------------------------------------------------------

struct ChimeCase {
    int minute;
    int second;
    const char* channel0;
    const char* channel1; // nullptr: the chime leaves channel 1 alone
};

std::string chimeName(const ::testing::TestParamInfo<ChimeCase>& row) {
    return "Minute" + std::to_string(row.param.minute) + "Second" +
           std::to_string(row.param.second);
}
void PrintTo(const ChimeCase& item, std::ostream* out) {
    *out << item.minute << ":" << item.second;
}

class ChimeTest : public SchedulerTest, public ::testing::WithParamInterface<ChimeCase> {};

TEST_P(ChimeTest, CompilesItsTextsIntoItsChannelsAtChimeGain) {
    const ChimeCase& chime = GetParam();
    tickAt(10, chime.minute, chime.second - 1 < 0 ? 59 : chime.second - 1, 900);
    tickAt(10, chime.minute, chime.second, 100);
    EXPECT_EQ(engine.masterGain.load(), 2.7);
    EXPECT_EQ(playedStream(engine, 0), compiledStream(chime.channel0));
    EXPECT_TRUE(isRunning(0));
    if (chime.channel1 != nullptr) {
        EXPECT_EQ(playedStream(engine, 1), compiledStream(chime.channel1));
        EXPECT_TRUE(isRunning(1));
    } else {
        EXPECT_FALSE(isRunning(1));
    }
    EXPECT_TRUE(priority.changes.empty()) << "chimes compile at time-critical priority";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Schedule, ChimeTest,
                         ::testing::Values(ChimeCase{15, 0, CHIME_QUARTER, nullptr},
                                           ChimeCase{45, 0, CHIME_QUARTER, nullptr},
                                           ChimeCase{30, 0, CHIME_HALF_A, CHIME_HALF_B},
                                           ChimeCase{59, 57, CHIME_HOUR_A, CHIME_HOUR_B}),
    chimeName);
// clang-format on

TEST_F(SchedulerTest, ChimeDuringASongTakesOverItsChannelsAndLeavesTheRest) {
    addSongs("*.mml", {"song.mml"}, "0123");
    listenAt(10, 29, 50);
    ASSERT_EQ(engine.countActiveChannels(), 4);
    tickAt(10, 29, 59, 900);
    tickAt(10, 30, 0, 200);
    EXPECT_EQ(playedStream(engine, 0), compiledStream(CHIME_HALF_A));
    EXPECT_EQ(playedStream(engine, 1), compiledStream(CHIME_HALF_B));
    EXPECT_TRUE(isRunning(0) && isRunning(1) && isRunning(2) && isRunning(3));
    EXPECT_EQ(engine.masterGain.load(), 2.7);
}

// --- Ticks and the clock ------------------------------------------------------------------

TEST_F(SchedulerTest, FirstTickInSecondZeroCountsAsNoChange) {
    tickAt(10, 15, 0, 0);
    tickAt(10, 15, 0, 300);
    tickAt(10, 15, 1, 200);
    EXPECT_EQ(engine.masterGain.load(), 1.0);
    EXPECT_EQ(engine.countActiveChannels(), 0);
}

// 36 pickable songs make the index of a pick show how many numbers were drawn before it.
class DrawCountTest : public SchedulerTest {
protected:
    void SetUp() override {
        std::vector<std::string> names;
        for (int i = 0; i < 36; ++i) names.push_back("s" + std::to_string(i) + ".mml");
        addSongs("*.mml", names);
    }
    // The number of draws before a listenRandom at the given time.
    long long drawsBeforeListen(int hour, int minute, int second) {
        listenAt(hour, minute, second);
        for (long long draws = 0; draws < 10; ++draws) {
            if (files.reads.back() ==
                songFolderPath("s" + std::to_string(nthRandom(draws + 1) % 36) + ".mml"))
                return draws;
        }
        return -1;
    }
};

TEST_F(DrawCountTest, StalledWindowThreadSkipsASecondAndItsRow) {
    tickAt(10, 14, 59, 900); // draw 1
    tickAt(10, 15, 1, 100);  // draw 2; second 0 and its chime never seen
    EXPECT_EQ(engine.countActiveChannels(), 0);
    EXPECT_EQ(drawsBeforeListen(10, 15, 1), 2);
}

TEST_F(DrawCountTest, StallOfAWholeMinuteReadsAsNoChange) {
    tickAt(10, 14, 30); // draw 1
    tickAt(10, 15, 30); // same second number: no draw
    EXPECT_EQ(drawsBeforeListen(10, 15, 30), 1);
}

TEST_F(DrawCountTest, ListenStoresTheTimeSoTheNextTickSeesNoChange) {
    tickAt(10, 14, 59, 900);                    // draw 1
    EXPECT_EQ(drawsBeforeListen(10, 15, 0), 1); // draw 2 for the pick
    engine.stopAllChannels();
    tickAt(10, 15, 0, 200); // no change: no quarter chime, no draw
    EXPECT_EQ(engine.masterGain.load(), settings.melodyGain);
    EXPECT_EQ(engine.countActiveChannels(), 0);
    EXPECT_EQ(drawsBeforeListen(10, 15, 0), 2);
}

TEST_F(SchedulerTest, ClockTextShowsMinuteAndSecondWithoutZerosAndRepaintsEveryTick) {
    EXPECT_EQ(scheduler.displayText(), " ");
    tickAt(12, 5, 7, 0);
    EXPECT_EQ(scheduler.displayText(), "5:7");
    tickAt(12, 5, 7, 300);
    tickAt(12, 59, 30, 0);
    EXPECT_EQ(scheduler.displayText(), "59:30");
    EXPECT_EQ(repaint.requests, 3);
}

// --- Song files ---------------------------------------------------------------------------

TEST_F(SchedulerTest, SongPlaysAtMelodyGainWithTheRenderThreadAtNormalPriorityWhileLoading) {
    settings.melodyGain = volumeStepGains[3];
    addSongs("*.mml", {"one.mml"}, "05");
    listenAt(9, 0, 0);
    EXPECT_EQ(directory.searches, std::vector<std::string>{songFolderPath("*.mml")});
    EXPECT_EQ(files.reads, std::vector<std::string>{songFolderPath("one.mml")});
    EXPECT_EQ(engine.masterGain.load(), 0.5);
    EXPECT_EQ(playedStream(engine, 5), compiledStream("c"));
    const std::vector<std::string> expected = {"normal with 0 running",
                                               "time-critical with 2 running"};
    EXPECT_EQ(priority.changes, expected);
}

TEST_F(SchedulerTest, MelodyBeforeTheHourSearchesTheEndingHoursFiles) {
    addSongs("13*.mml", {"13 bells.mml"});
    tickAt(13, 59, 29, 900);
    tickAt(13, 59, 30, 200);
    EXPECT_EQ(directory.searches, std::vector<std::string>{songFolderPath("13*.mml")});
    EXPECT_EQ(files.reads, std::vector<std::string>{songFolderPath("13 bells.mml")});
    EXPECT_TRUE(isRunning(0));
}

TEST_F(SchedulerTest, UnreadableSongLeavesTheMusicPlaying) {
    addSongs("*.mml", {"playing.mml"}, "01");
    listenAt(10, 58, 0);
    directory.folders[songFolderPath("10*.mml")] = {"gone.mml"}; // listed but cannot be read
    settings.melodyGain = volumeStepGains[0];
    tickAt(10, 59, 29, 900);
    tickAt(10, 59, 30, 200);
    EXPECT_EQ(files.reads.back(), songFolderPath("gone.mml"));
    EXPECT_EQ(engine.countActiveChannels(), 2);
    EXPECT_EQ(engine.masterGain.load(), 1.0);
    EXPECT_EQ(priority.changes.size(), 2u) << "only the first song changed the priority";
}

TEST_F(SchedulerTest, SongFromTheMenuIsCutAtSecond56EvenWithTheMelodySwitchOff) {
    settings.featureFlags[SWITCH_MELODY] = 0;
    settings.featureFlags[SWITCH_HOUR] = 0;
    addSongs("*.mml", {"long.mml"}, "0");
    listenAt(10, 58, 10);
    tickAt(10, 59, 55, 900);
    EXPECT_TRUE(isRunning(0));
    tickAt(10, 59, 56, 200);
    EXPECT_EQ(engine.countActiveChannels(), 0);
}

enum class ReadOfLongName { Path, Nothing, FolderItself };

struct LongNameCase {
    std::size_t nameLength;
    ReadOfLongName read;
};

std::string longNameName(const ::testing::TestParamInfo<LongNameCase>& row) {
    return "Length" + std::to_string(row.param.nameLength);
}
void PrintTo(const LongNameCase& item, std::ostream* out) {
    *out << "a name of " << item.nameLength << " characters";
}

class LongNameTest : public SchedulerTest, public ::testing::WithParamInterface<LongNameCase> {};

// The path buffer holds 259 characters: a name of 251 fits after "jihomml\\", a longer one does
// not, and a name over 259 characters comes back empty, so the path names the folder itself.
TEST_P(LongNameTest, PathsThatDoNotFitTheBufferPlayNothing) {
    const std::string name(GetParam().nameLength, 'n');
    directory.folders[songFolderPath("*.mml")] = {name};
    files.files[songFolderPath(name)] = "0c\r\n";
    listenAt(10, 0, 0);
    std::vector<std::string> expected;
    if (GetParam().read == ReadOfLongName::Path) expected = {songFolderPath(name)};
    if (GetParam().read == ReadOfLongName::FolderItself) expected = {songFolderPath("")};
    EXPECT_EQ(files.reads, expected);
    EXPECT_EQ(engine.countActiveChannels(), GetParam().read == ReadOfLongName::Path ? 1 : 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Lengths, LongNameTest,
                         ::testing::Values(LongNameCase{251, ReadOfLongName::Path},
                                           LongNameCase{252, ReadOfLongName::Nothing},
                                           LongNameCase{259, ReadOfLongName::Nothing},
                                           LongNameCase{260, ReadOfLongName::FolderItself}),
    longNameName);
// clang-format on

// --- listenRandom's refusals ------------------------------------------------------------------

TEST_F(SchedulerTest, ListenRefusesWhileAnyChannelPlays) {
    addSongs("*.mml", {"a.mml"});
    engine.channels[6].active = 1;
    listenAt(10, 0, 0);
    EXPECT_TRUE(directory.searches.empty());
    EXPECT_EQ(scheduler.clock().minute, 0) << "a refused listen reads no time";
}

TEST_F(SchedulerTest, ListenRefusesInMinute59ButKeepsTheTimeItRead) {
    addSongs("*.mml", {"a.mml"});
    listenAt(10, 59, 10);
    EXPECT_TRUE(directory.searches.empty());
    EXPECT_EQ(scheduler.clock().minute, 59);
    EXPECT_EQ(scheduler.clock().second, 10);
}

TEST_F(SchedulerTest, ListenWithNoSongFilesDoesNothing) {
    listenAt(10, 0, 0);
    EXPECT_EQ(directory.searches, std::vector<std::string>{songFolderPath("*.mml")});
    EXPECT_TRUE(files.reads.empty());
    EXPECT_EQ(engine.masterGain.load(), 1.0);
}

// --- The signal log --------------------------------------------------------------------------

class SignalLog final : public SignalObserver {
public:
    void signalStarted(const StartedSignal& signal) override {
        lines.push_back(signalLine(signal));
    }
    std::vector<std::string> lines;
};

TEST_F(SchedulerTest, ObserverHearsOfEverySignalThatStartsAndOfAMelodyWithNoSong) {
    SignalLog log;
    scheduler.setSignalObserver(&log);
    addSongs("13*.mml", {"13b.mml"});
    addSongs("*.mml", {"7.mml"});
    directory.folders[songFolderPath("14*.mml")] = {"14gone.mml"}; // found, but cannot be read
    settings.featureFlags[SWITCH_HALF] = 0;
    // Every second is preceded by another, since a tick only acts on a changed second.
    const int ticks[][3] = {{9, 14, 59},  {9, 15, 0},   {9, 30, 0},   {9, 44, 59},
                            {9, 45, 0},   {12, 59, 30}, {13, 59, 29}, {13, 59, 30},
                            {13, 59, 56}, {13, 59, 57}, {14, 59, 30}};
    for (const auto& tick : ticks) tickAt(tick[0], tick[1], tick[2]);
    engine.stopAllChannels();
    listenAt(15, 1, 2); // plays 7.mml, which ends with its one note
    listenAt(15, 1, 3); // refused: 7.mml still plays
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "09:15:00 quarter", "09:45:00 quarter", "12:59:30 melody (none)",
                             "13:59:30 melody 13b.mml", "13:59:57 hour", "14:59:30 melody (none)",
                             "15:01:02 random 7.mml"}));
}

} // namespace
} // namespace chimora
