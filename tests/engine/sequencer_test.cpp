#include "engine_test_support.h"
#include "note_frequency_table.h"

#include <gtest/gtest.h>

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
        PlayCase{"cx", {C, STOP}}));
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

TEST(Sequencer, NoteFrequencies) {
    const double* table = noteFrequencyTable;
    EXPECT_EQ(Engine::noteFrequency(57, 0), 440.0);
    EXPECT_EQ(Engine::noteFrequency(57, 50), table[58] - (table[58] - table[57]) * 50 * 0.01);
    EXPECT_NEAR(Engine::noteFrequency(57, 50), 453.081881, 1e-6);
    EXPECT_EQ(Engine::noteFrequency(101, 0), 5274.040911); // above 100 sounds as 100
    EXPECT_EQ(Engine::noteFrequency(255, 0), 5274.040911);
    // Below note 0 the index wraps to 255 and is held at 108.
    EXPECT_EQ(Engine::noteFrequency(0, -1), table[109] - (table[109] - table[108]) * 1 * 0.01);
    EXPECT_EQ(Engine::noteFrequency(1, -101), Engine::noteFrequency(0, -1));
    EXPECT_EQ(Engine::noteFrequency(0, 0), table[0]);
    EXPECT_EQ(Engine::noteFrequency(100, 127), table[102] - (table[102] - table[101]) * 73 * 0.01);
}

TEST(Sequencer, TransposeWrapsTheNoteByte) {
    Engine engine;
    engine.compileChannel(0, "_-10o0f");
    engine.startChannel(0); // note 5 - 10 = 251, sounds as 100
    EXPECT_EQ(engine.channels[0].baseFrequency, 5274.040911);
}

TEST(Sequencer, StartLeavesTheRecordInItsStartState) {
    Engine engine;
    ChannelState& state = engine.channels[2];
    state.detune = -7;
    state.phase = 123.0;
    state.sweepOffset = 4.0;
    state.mixGain = 1.0;
    engine.compileChannel(2, "r");
    engine.startChannel(2);
    EXPECT_EQ(state.tempo, 16500);
    EXPECT_EQ(state.volume, 13);
    EXPECT_EQ(state.gate, 8);
    EXPECT_EQ(state.pan, 8);
    EXPECT_EQ(state.filterCoefficient, 0.85);
    EXPECT_EQ(state.attackRate, 1.0);
    EXPECT_EQ(state.envelopeRestart, 1);
    EXPECT_EQ(state.detune, -7); // kept
    EXPECT_EQ(state.phase, 123.0);
    EXPECT_EQ(state.sweepOffset, 4.0);
    EXPECT_EQ(state.stepSamples, engine.stepLengthSamples(2, 24)); // the rest's own length
    EXPECT_EQ(state.gateSamples, engine.stepLengthSamples(2, 24)); // untouched by the rest
    EXPECT_EQ(state.readPos, 2);
    EXPECT_TRUE(state.active);
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

TEST(Sequencer, GateLengths) {
    Engine engine;
    engine.compileChannel(0, "q9c4&c4q2c4");
    engine.startChannel(0);
    ChannelState& state = engine.channels[0];
    const double quarter = engine.stepLengthSamples(0, 48);
    EXPECT_EQ(state.gateSamples, quarter + 2.0); // tied
    engine.stepEvents(0);
    EXPECT_EQ(state.gateSamples, quarter * 9 * 0.125);
    EXPECT_EQ(state.tieNext, 0);
    engine.stepEvents(0);
    EXPECT_EQ(state.gateSamples, quarter * 2 * 0.125);
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

TEST(Sequencer, ParameterEvents) {
    Engine engine;
    engine.compileChannel(0, "t120.5v15)v0(p3w99m4n2s-5h99i50j99_-2@56c");
    engine.startChannel(0);
    const ChannelState& state = engine.channels[0];
    EXPECT_EQ(state.tempo, 12050);
    EXPECT_EQ(state.volume, 0); // ")" at 15 stays 15, "(" at 0 stays 0
    EXPECT_EQ(state.pan, 3);
    EXPECT_EQ(state.filterCoefficient, 100 * 0.01);
    EXPECT_EQ(state.vibratoRate, 4 * 0.0005);
    EXPECT_EQ(state.vibratoStep, 4 * 0.0005);
    EXPECT_EQ(state.vibratoCounter, 1750);
    EXPECT_EQ(state.vibratoDelay, 1764);
    EXPECT_EQ(state.vibratoDelayLeft, 1764);
    EXPECT_EQ(state.sweepRate, -5 * 0.0004);
    EXPECT_EQ(state.attackRate, 99 * 99 * 99 * 1.0306101521283646e-8);
    EXPECT_EQ(state.decayRate, 50 * 0.00001);
    EXPECT_NEAR(state.sustainLevel, 1.0, 1e-15);
    EXPECT_EQ(state.transpose, -2);
    EXPECT_EQ(state.instrument, 56);
    EXPECT_EQ(state.baseFrequency, noteFrequencyTable[46]);
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
