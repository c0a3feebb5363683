// The sequencer's skip over repeat passes that change nothing: it must give exactly what
// interpreting every pass gives, and keep the worst stream from stalling the render thread.
#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::writeStream;

// What one step leaves behind that a later step or the voice can read.
struct StepTrace {
    int volume;
    int readPos;
    int repeatDepth;
    int active;
    double stepSamples;
    bool operator==(const StepTrace&) const = default;
};

// Renders `blocks` blocks of the one-channel song and records the record after every block.
struct Render {
    std::vector<std::int16_t> samples;
    std::vector<StepTrace> trace;
    bool operator==(const Render&) const = default;
};

Render render(const std::string& mml, bool skip, int blocks = 12) {
    Engine engine;
    engine.skipRepeatedPasses = skip;
    engine.clearAllEvents();
    engine.compileChannel(0, mml.c_str());
    engine.startChannel(0);
    Render result;
    std::vector<std::int16_t> block(BLOCK_SAMPLES);
    for (int i = 0; i < blocks; ++i) {
        engine.mixBlock(block.data(), BLOCK_BYTES);
        result.samples.insert(result.samples.end(), block.begin(), block.end());
        const ChannelState& state = engine.channels[0];
        result.trace.push_back(
            {state.volume, state.readPos, state.repeatDepth, state.active, state.stepSamples});
    }
    return result;
}

struct SkipCase {
    const char* name;
    const char* mml;
};

void PrintTo(const SkipCase& skipCase, std::ostream* out) { *out << skipCase.mml; }

class SkipMatchesEveryPass : public ::testing::TestWithParam<SkipCase> {};

// Short notes at a fast tempo so that every block holds many steps, each of which runs the
// repeats again from the loop.
TEST_P(SkipMatchesEveryPass, RendersTheSame) {
    const std::string mml = std::string("t255l64") + GetParam().mml;
    const Render slow = render(mml, false);
    const Render fast = render(mml, true);
    EXPECT_TRUE(fast.trace == slow.trace) << "MML: " << mml;
    EXPECT_TRUE(fast.samples == slow.samples) << "MML: " << mml;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Repeats, SkipMatchesEveryPass,
    ::testing::Values(
        // Volume steps accumulate (clamped) from pass to pass: skipping after the first empty
        // pass would leave these at the wrong volume.
        SkipCase{"VolumeUpSaturates", "[)]99c"},
        SkipCase{"VolumeUpFromZero", "v0[)]99c"},
        SkipCase{"InnerDownOuterUp", "[)[(]3]5c"},
        SkipCase{"InnerUpOuterDown", "v2[[)]3((((]9c"},
        SkipCase{"UpThenDownReturns", "v7[)(]99c"},
        SkipCase{"TwoPasses", "v0[)]2c"},
        SkipCase{"ThreePasses", "v0[)]3c"},
        // Breaks: the last pass leaves early, so it must still run as the last.
        SkipCase{"BreakBeforeStep", "v0[/)]99c"},
        SkipCase{"BreakAfterStep", "v0[)/]99c"},
        SkipCase{"BreakBetweenSteps", "v5[)/(]40c"},
        SkipCase{"InnerBreak", "v0[[)/]7(]9c"},
        SkipCase{"OuterBreak", "v9[[(]4/)]20c"},
        // Nested empty sections, and sections beside each other.
        SkipCase{"NestedEmpty", "[[[[]9]9]9]9c"},
        SkipCase{"NestedWithSettings", "[v3[p2[)]5]6w9]7c"},
        SkipCase{"SectionsSideBySide", "v0[)]20[((]9[)]4c"},
        // Notes or rests inside a section end the step: passes are never skipped there.
        SkipCase{"NoteInside", "[)c]9d"},
        SkipCase{"RestInside", "v0[)r]20c"},
        SkipCase{"NoteAfterBreak", "[)/c]9d"},
        SkipCase{"TieAndTempo", "[t200&t180)]50c"},
        // Loop points: every loop runs the sections again in a new step.
        SkipCase{"LoopBeforeSections", "cL[)]50d(((("},
        SkipCase{"LoopInsideSection", "c[L)]50d(("},
        SkipCase{"LoopAfterSection", "v0[)]30cL(d"},
        SkipCase{"RepeatsAcrossTheLoop", "[[)]9(]9c[(]5L)d"}),
    [](const ::testing::TestParamInfo<SkipCase>& paramInfo) { return std::string(paramInfo.param.name); });
// clang-format on

// Hand-made streams reach pass counts the compiler never writes (it clamps them to 99).
TEST(RepeatSkip, HandMadePassCountsMatchEveryPass) {
    const int counts[] = {2, 3, 17, 100, 254, 255};
    for (int count : counts) {
        Engine engines[2];
        std::int16_t blocks[2][BLOCK_SAMPLES];
        for (int which = 0; which < 2; ++which) {
            Engine& engine = engines[which];
            engine.skipRepeatedPasses = which == 1;
            writeStream(engine, 0,
                        {{EV_VOLUME, 0},
                         {EV_REPEAT_START, 0},
                         {EV_VOLUME_STEP, 1},
                         {EV_REPEAT_BREAK, 0},
                         {EV_VOLUME_STEP, 1},
                         {EV_REPEAT_END, count},
                         {60, 0},
                         {EV_STREAM_END, 0}});
            engine.startChannel(0);
            engine.mixBlock(blocks[which], BLOCK_BYTES);
        }
        EXPECT_EQ(engines[1].channels[0].volume, engines[0].channels[0].volume) << count;
        EXPECT_EQ(std::memcmp(blocks[0], blocks[1], sizeof blocks[0]), 0) << count;
    }
}

// The most passes a 2048-byte buffer can ask for in one step: four nested empty sections of
// the largest count the compiler writes, as often as they fit, on all eight channels. Read
// pass by pass, one block of these would hold the render thread for well over ten minutes.
TEST(RepeatSkip, WorstFullBufferOnEightChannelsRenders) {
    std::string mml;
    for (int group = 0; group < 127; ++group) mml += "[[[[]99]99]99]99"; // 8 events each
    mml += "c";
    Engine engine;
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        engine.compileChannel(channel, mml.c_str());
    }
    engine.startAllChannels();
    std::int16_t block[BLOCK_SAMPLES];
    engine.mixBlock(block, BLOCK_BYTES);
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const ChannelState& state = engine.channels[channel];
        EXPECT_TRUE(state.active);
        EXPECT_EQ(state.noteCount, 1);
        EXPECT_EQ(state.readPos, 2 * 1017); // after the c that follows the last group
    }
}

// The same with hand-made pass counts of 255, the largest a byte holds.
TEST(RepeatSkip, WorstHandMadeBufferRenders) {
    Engine engine;
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        std::uint8_t* events = engine.channels[channel].events;
        int offset = 0;
        while (offset + 16 + 4 <= EVENT_BUFFER_BYTES) {
            for (int depth = 0; depth < 4; ++depth) {
                events[offset++] = EV_REPEAT_START;
                events[offset++] = 0;
            }
            for (int depth = 0; depth < 4; ++depth) {
                events[offset++] = EV_REPEAT_END;
                events[offset++] = 255;
            }
        }
        events[offset] = 60;
        events[offset + 1] = 48;
        events[offset + 2] = EV_STREAM_END;
    }
    engine.startAllChannels();
    std::int16_t block[BLOCK_SAMPLES];
    engine.mixBlock(block, BLOCK_BYTES);
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        EXPECT_TRUE(engine.channels[channel].active);
        EXPECT_EQ(engine.channels[channel].noteCount, 1);
    }
}

} // namespace
} // namespace chimora
