#include "engine_test_support.h"

#include "test_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::writeStream;

// Starts the channel and returns the code of the note or rest that each step sounded,
// for at most `steps` steps; "stop" marks the channel stopping.
std::vector<int> playedSteps(Engine& engine, int channel, int steps) {
    std::vector<int> played;
    ChannelState& state = engine.channels[channel];
    engine.startChannel(channel);
    for (int step = 0; step < steps && state.active; ++step) {
        played.push_back(state.events[state.readPos - 2]);
        engine.stepEvents(channel);
    }
    if (!state.active) played.push_back(-1);
    return played;
}

std::vector<int> playMml(const char* mml, int steps = 12) {
    Engine engine;
    engine.clearAllEvents();
    engine.compileChannel(0, mml);
    return playedSteps(engine, 0, steps);
}

constexpr int STOP = -1;
constexpr int C = 48, D = 50, E = 52, F = 53;

struct PlayCase {
    const char* mml;
    std::vector<int> steps;
};

std::string playCaseName(const ::testing::TestParamInfo<PlayCase>& row) {
    return testing::testNameFromText(row.param.mml);
}
void PrintTo(const PlayCase& item, std::ostream* out) { *out << '"' << item.mml << '"'; }

class PlayTable : public ::testing::TestWithParam<PlayCase> {};

TEST_P(PlayTable, PlaysStepsInOrder) {
    EXPECT_EQ(playMml(GetParam().mml), GetParam().steps) << "MML: " << GetParam().mml;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    RepeatsAndLoops, PlayTable,
    ::testing::Values(
        PlayCase{"[c/d]3ex", {C, D, C, D, C, E, STOP}},
        PlayCase{"[c/d]1ex", {C, D, E, STOP}},
        PlayCase{"[c/d]0ex", {C, D, E, STOP}},
        PlayCase{"c/dx", {C, D, STOP}}, // a break outside any repeat does nothing
        PlayCase{"[c[d]3]2x", {C, D, D, D, C, D, D, D, STOP}},
        // The inner break leaves its own level, so the outer repeat still counts its passes.
        PlayCase{"[[c/d]2e]2x", {C, D, C, E, C, D, C, E, STOP}},
        PlayCase{"[[[[c]]]]x", {C, C, C, C, C, C, C, C, C, C, C, C}},
        PlayCase{"[[[[[c]]]]]", {STOP}}, // a fifth nested section stops the channel
        PlayCase{"c]d", {C, STOP}},      // a section end with none open stops it too
        PlayCase{"cde", {C, D, E, C, D, E, C, D, E, C, D, E}},
        PlayCase{"cLde", {C, D, E, D, E, D, E, D, E, D, E, D}},
        PlayCase{"[cd/e]3", {C, D, E, C, D, E, C, D, C, D, E, C}}, // repeats reset at the end
        PlayCase{"rr", {0, 0, STOP}},  // rests only: plays once
        PlayCase{"", {STOP}},
        PlayCase{"cLv10", {C, STOP}},  // the loop holds no note or rest: it stops, never hangs
        PlayCase{"cx", {C, STOP}}),
    playCaseName);
// clang-format on

TEST(Sequencer, StreamEndWithoutNoteStopsAtOnce) {
    Engine engine;
    engine.startChannel(0); // byte 0 is EV_END
    EXPECT_FALSE(engine.channels[0].active);
    engine.stopChannel(1); // byte 0 is EV_STREAM_END, and no note was ever started
    engine.startChannel(1);
    EXPECT_FALSE(engine.channels[1].active);
    EXPECT_EQ(engine.countActiveChannels(), 0);
}

TEST(Sequencer, StepLengths) {
    Engine engine;
    engine.channels[0].tempo = 12000;
    EXPECT_EQ(engine.stepLengthSamples(0, 48), 22050.0);
    engine.channels[0].tempo = 16500;
    EXPECT_DOUBLE_EQ(engine.stepLengthSamples(0, 24), 8018.181818181818);
    EXPECT_EQ(engine.stepLengthSamples(0, 0), 0.0);
}

// Hundredths of a semitone interpolate linearly between the table's neighbours.
TEST(Sequencer, NoteFrequencies) {
    EXPECT_EQ(Engine::noteFrequency(57, 0), 440.0);
    EXPECT_NEAR(Engine::noteFrequency(57, 50), 453.081881, 1e-6);
    EXPECT_EQ(Engine::noteFrequency(101, 0), 5274.040911); // above 100 sounds as 100
    EXPECT_EQ(Engine::noteFrequency(255, 0), 5274.040911);
    EXPECT_NEAR(Engine::noteFrequency(100, 127), 5677.361649, 1e-6); // note 101 and 27 cents
    // Below note 0 the index wraps to 255 and is held at 108: 99 cents above note 108.
    EXPECT_NEAR(Engine::noteFrequency(0, -1), 8864.865930, 1e-6);
    EXPECT_EQ(Engine::noteFrequency(1, -101), Engine::noteFrequency(0, -1));
    EXPECT_EQ(Engine::noteFrequency(0, 0), 16.351598);
}

TEST(Sequencer, TransposeWrapsTheNoteByte) {
    Engine engine;
    engine.compileChannel(0, "_-10o0f");
    engine.startChannel(0); // note 5 - 10 = 251, sounds as 100
    EXPECT_EQ(engine.channels[0].baseFrequency, 5274.040911);
}

// Renders frames of one channel and returns the left samples.
std::vector<std::int16_t> leftSamples(Engine& engine, int channel, int frames) {
    std::vector<std::int16_t> out(2 * static_cast<std::size_t>(frames));
    engine.renderChannel(channel, out.data(), 4 * frames);
    std::vector<std::int16_t> left;
    for (std::size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
    return left;
}

// A channel started again sounds as on a fresh engine, whatever the last song set: tempo 165
// (an eighth lasts 8018 frames), volume 13, gate 8, centre pan, filter 0.85, full level from the
// first frame. Only what the voice carries on by design (oscillator, filter, sweep, detune) is
// put back by hand.
TEST(Sequencer, StartForgetsTheLastSongsSettings) {
    const int frames = 8100;
    Engine fresh;
    fresh.compileChannel(2, "cr");
    fresh.startChannel(2);
    const std::vector<std::int16_t> expected = leftSamples(fresh, 2, frames);
    EXPECT_EQ(expected[0], -1912) << "trunc(trunc(-6363 x 0.85 x 0.707107) x 0.5)";
    EXPECT_NE(expected[8017], 0);
    EXPECT_TRUE(std::all_of(expected.begin() + 8018, expected.end(), [](int s) { return s == 0; }))
        << "the key goes off after 8018 frames";

    Engine used;
    used.compileChannel(2, "t60v3p1q9w0@32_5m9n3s9h5i9j5L[cd/e]3&c");
    used.startChannel(2);
    leftSamples(used, 2, 30000);
    used.stopChannel(2);
    used.compileChannel(2, "cr");
    ChannelState& state = used.channels[2];
    state.phase = state.frequency = state.sweepOffset = 0.0;
    state.filterLeft = state.filterRight = 0.0;
    used.startChannel(2);
    EXPECT_EQ(leftSamples(used, 2, frames), expected);
}

TEST(Sequencer, DetunePersistsAcrossStarts) {
    Engine engine;
    engine.compileChannel(0, "D-50a");
    engine.startChannel(0);
    engine.stopChannel(0);
    engine.compileChannel(0, "a");
    engine.startChannel(0);
    EXPECT_EQ(engine.channels[0].baseFrequency, Engine::noteFrequency(57, -50));
}

TEST(Sequencer, StartOnRunningChannelKeepsTheKeyButRestartsTheEnvelope) {
    Engine engine;
    engine.compileChannel(0, "s10c1");
    engine.startChannel(0);
    ChannelState& state = engine.channels[0];
    state.sweepOffset = 5.0;
    state.envelopeLevel = 0.6;
    state.envelopeRestart = 0;
    engine.startChannel(0);
    EXPECT_TRUE(state.keyOn);
    EXPECT_EQ(state.sweepOffset, 5.0); // no key-on: the sweep runs on
    EXPECT_EQ(state.envelopeRestart, 1);
    EXPECT_EQ(state.envelopeLevel, 0.0);
}

// A tied note and a gate-9 note leave the key on, so the next note continues the envelope;
// with gate 8 the voice has released the key and the next note restarts it.
TEST(Sequencer, TieAndGateNineContinueTheEnvelope) {
    struct Case {
        const char* mml;
        bool keyReleasedByVoice;
        int expectedRestart;
    };
    for (const Case& c : {Case{"&cd", false, 0}, Case{"q9cd", false, 0}, Case{"q8cd", true, 1}}) {
        Engine engine;
        engine.compileChannel(0, c.mml);
        engine.startChannel(0);
        ChannelState& state = engine.channels[0];
        state.envelopeRestart = 0;
        state.sweepOffset = 3.0;
        if (c.keyReleasedByVoice) state.keyOn = 0;
        engine.stepEvents(0);
        EXPECT_EQ(state.envelopeRestart, c.expectedRestart) << c.mml;
        EXPECT_EQ(state.sweepOffset, c.expectedRestart ? 0.0 : 3.0) << c.mml;
    }
}

// At tempo 120 a quarter is 22050 frames: a tie adds two frames, gate n keeps n eighths of it.
TEST(Sequencer, GateLengths) {
    Engine engine;
    engine.compileChannel(0, "t120q9c4&c4q2c4");
    engine.startChannel(0);
    ChannelState& state = engine.channels[0];
    EXPECT_EQ(state.gateSamples, 22052.0); // tied
    engine.stepEvents(0);
    EXPECT_EQ(state.gateSamples, 24806.25);
    EXPECT_EQ(state.tieNext, 0);
    engine.stepEvents(0);
    EXPECT_EQ(state.gateSamples, 5512.5);
}

TEST(Sequencer, TieDoesNotCarryOverTheStreamEnd) {
    Engine engine;
    engine.compileChannel(0, "c&");
    engine.startChannel(0);
    ChannelState& state = engine.channels[0];
    ASSERT_EQ(state.tieNext, 1);
    state.envelopeRestart = 0;
    engine.stepEvents(0); // stream end keys off, loops, and the C starts with a key-on
    EXPECT_EQ(state.envelopeRestart, 1);
    EXPECT_EQ(state.noteCount, 3); // two notes and one loop
}

TEST(Sequencer, LoopPassesCountEachReturnToTheLoopPoint) {
    Engine engine;
    engine.compileChannel(0, "c L d e");
    engine.startChannel(0); // c
    const ChannelState& state = engine.channels[0];
    const int expectedPasses[] = {0, 0, 1, 1, 2}; // d, e, d, e, d
    for (const int passes : expectedPasses) {
        engine.stepEvents(0);
        EXPECT_EQ(state.loopPasses, passes);
    }
    engine.startChannel(0);
    EXPECT_EQ(state.loopPasses, 0) << "a start counts anew";
}

TEST(Sequencer, ParameterEvents) {
    Engine engine;
    engine.compileChannel(0, "t120.5v15)v0(p3w99m4n2s-5h33i50j33_-2@56c");
    engine.startChannel(0);
    const ChannelState& state = engine.channels[0];
    EXPECT_EQ(state.tempo, 12050);
    EXPECT_EQ(state.volume, 0); // ")" at 15 stays 15, "(" at 0 stays 0
    EXPECT_EQ(state.pan, 3);
    EXPECT_DOUBLE_EQ(state.filterCoefficient, 1.0);
    EXPECT_DOUBLE_EQ(state.vibratoRate, 0.002); // Hz per frame
    EXPECT_DOUBLE_EQ(state.vibratoStep, 0.002);
    EXPECT_EQ(state.vibratoCounter, 1750);
    EXPECT_EQ(state.vibratoDelay, 1764); // two fiftieths of a second
    EXPECT_EQ(state.vibratoDelayLeft, 1764);
    EXPECT_DOUBLE_EQ(state.sweepRate, -0.002);
    EXPECT_NEAR(state.attackRate, 0.01 / 27, 1e-15); // 0.01 x (33/99) cubed
    EXPECT_DOUBLE_EQ(state.decayRate, 0.0005);
    EXPECT_NEAR(state.sustainLevel, 1.0 / 9, 1e-15); // (33/99) squared
    EXPECT_EQ(state.transpose, -2);
    EXPECT_EQ(state.instrument, 56);
    EXPECT_EQ(state.baseFrequency, 233.081881); // note 48 - 2
}

TEST(Sequencer, ClearWhileRunningKeepsTheChannelRunning) {
    Engine engine;
    engine.compileChannel(0, "cd");
    engine.startChannel(0);
    engine.clearAllEvents();
    engine.stepEvents(0);
    EXPECT_TRUE(engine.channels[0].active); // plays D from where it is
    engine.stepEvents(0);                   // back at byte 0, which is now EV_END
    EXPECT_FALSE(engine.channels[0].active);
}

TEST(Sequencer, StopChangesOnlyKeyActiveAndPositions) {
    Engine engine;
    engine.compileChannel(3, "Lc");
    engine.startChannel(3);
    ChannelState before = engine.channels[3];
    engine.stopChannel(3);
    const ChannelState& after = engine.channels[3];
    EXPECT_EQ(after.keyOn, 0);
    EXPECT_EQ(after.active, 0);
    EXPECT_EQ(after.readPos, 0);
    EXPECT_EQ(after.loopPoint, 0);
    EXPECT_EQ(after.events[0], EV_STREAM_END);
    EXPECT_EQ(after.stepSamples, before.stepSamples);
    EXPECT_EQ(after.noteCount, before.noteCount);
}

TEST(Sequencer, HandMadeStreamsNeverHang) {
    Engine engine;
    // Tempo 0 would make steps endless: it is read as the lowest compiled tempo, 15.
    writeStream(engine, 0, {{EV_TEMPO, 0}, {48, 48}, {EV_STREAM_END, 0}});
    engine.startChannel(0);
    EXPECT_EQ(engine.channels[0].tempo, 1500);
    EXPECT_TRUE(std::isfinite(engine.channels[0].stepSamples));

    // No terminator anywhere: the end of the buffer ends the stream.
    std::fill_n(engine.channels[1].events, EVENT_BUFFER_BYTES, EV_VOLUME);
    engine.startChannel(1);
    EXPECT_FALSE(engine.channels[1].active);

    std::fill_n(engine.channels[2].events, EVENT_BUFFER_BYTES, EV_VOLUME);
    writeStream(engine, 2, {{48, 1}});
    engine.startChannel(2);
    engine.stepEvents(2); // runs off the end, loops to the note
    EXPECT_TRUE(engine.channels[2].active);
    EXPECT_EQ(engine.channels[2].readPos, 2);
}

TEST(Sequencer, NoteCountStopsAtItsMaximum) {
    Engine engine;
    engine.compileChannel(0, "%0c");
    engine.startChannel(0);
    engine.channels[0].noteCount = INT32_MAX - 1;
    engine.stepEvents(0); // a loop and a note
    EXPECT_EQ(engine.channels[0].noteCount, INT32_MAX);
    EXPECT_TRUE(engine.channels[0].active);
}

TEST(Sequencer, StartUpState) {
    Engine engine;
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const ChannelState& state = engine.channels[channel];
        EXPECT_EQ(state.events, engine.eventBuffers[channel]);
        EXPECT_EQ(state.events[0], EV_END);
        EXPECT_EQ(state.active, 0);
        EXPECT_EQ(state.mixGain, 1.0);
        EXPECT_EQ(state.attackRate, channel == 0 ? 1.0 : 0.0);
        EXPECT_EQ(state.envelopeRestart, channel == 0 ? 1 : 0);
    }
    EXPECT_EQ(engine.noiseRegister, 0x4000);
    EXPECT_EQ(engine.masterGain.load(), 1.0);
}

} // namespace
} // namespace chimora
