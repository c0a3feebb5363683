// The song's timing from its sequencer against the engine's own render: the frame at which a
// song has played through N times, and the frame at which it stops.
#include "block_render.h"
#include "render_test_support.h"
#include "song_start.h"
#include "song_timing.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace chimora {
namespace {

std::unique_ptr<Engine> started(const std::string& song) {
    auto engine = std::make_unique<Engine>();
    startSongFile(*engine, std::vector<std::uint8_t>(song.begin(), song.end()), 1.0);
    return engine;
}

// Whether every channel has stopped or gone back to its loop point `passes` times.
bool playedThrough(const Engine& engine, int passes) {
    for (const ChannelState& state : engine.channels) {
        if (state.active != 0 && state.loopPasses < passes) return false;
    }
    return true;
}

// Mixes `frames` frames of the song in the real engine.
std::unique_ptr<Engine> renderedFor(const std::string& song, std::uint64_t frames) {
    auto engine = started(song);
    testing::MemorySink sink;
    renderFrames(*engine, sink, frames, false);
    return engine;
}

struct TimingCase {
    const char* name;
    const char* song;
    int passes;
    std::uint64_t frames; // at 120 beats a minute a quarter note is 22050 frames
};

TEST(SongTimingTest, PlayedThroughAtTheFrameTheLastChannelIsDone) {
    const TimingCase cases[] = {
        {"one loop", "0t120 L c4 d4\r\n", 1, 44100},
        {"three loops", "0t120 L c4 d4\r\n", 3, 132300},
        {"an intro before L", "0t120 c4 L d4 e4\r\n", 2, 22050 + 2 * 44100},
        {"no L: from the start", "0t120 c4 d4\r\n", 2, 88200},
        {"the longest loop decides", "0t120 L c4\r\n1t120 L c2.\r\n", 2, 132300},
        {"a channel that ends later", "0t120 L c4\r\n1t120 c1 c1 x\r\n", 1, 176400},
        {"a step that is not whole", "0t121 L c4\r\n", 1, 21867}, // 21867.76
        {"repeats inside the loop", "0t120 L [c8]3 d8\r\n", 2, 2 * 44100},
    };
    for (const TimingCase& item : cases) {
        const auto engine = started(item.song);
        const auto frames = framesUntilPlayedThrough(*engine, item.passes, 10'000'000);
        ASSERT_TRUE(frames) << item.name;
        EXPECT_EQ(*frames, item.frames) << item.name;
        EXPECT_FALSE(playedThrough(*renderedFor(item.song, item.frames - 1), item.passes))
            << item.name << ": the engine is done a frame early";
        EXPECT_TRUE(playedThrough(*renderedFor(item.song, item.frames), item.passes))
            << item.name << ": the engine is not done yet";
        EXPECT_TRUE(songLoops(*started(item.song), 10'000'000)) << item.name;
    }
}

// The end of a song that stops, as the render loop finds it block by block.
TEST(SongTimingTest, ASongThatEndsStopsWhereTheRenderStops) {
    for (const char* song :
         {"0c8x\r\n1c4x\r\n", "0t120 c1 x\r\n", "; silent\r\n", "0t200 [cde]4 x\r\n1t90 L x\r\n"}) {
        const auto frames = framesUntilPlayedThrough(*started(song), 0, 10'000'000);
        ASSERT_TRUE(frames) << song;
        testing::MemorySink sink;
        const RenderResult result = renderBlocks(*started(song), sink, 1000, true);
        const std::uint64_t blocks = *frames == 0 ? 1 : (*frames + BLOCK_FRAMES - 1) / BLOCK_FRAMES;
        EXPECT_EQ(result.blocksWritten, blocks) << song;
        EXPECT_FALSE(songLoops(*started(song), 10'000'000)) << song;
    }
    EXPECT_FALSE(framesUntilPlayedThrough(*started("0Lc\r\n"), 0, 1'000'000))
        << "a looping song never ends by itself";
    EXPECT_FALSE(framesUntilPlayedThrough(*started("0t120 L c4\r\n"), 50, 22050 * 49))
        << "beyond the limit";
}

} // namespace
} // namespace chimora
