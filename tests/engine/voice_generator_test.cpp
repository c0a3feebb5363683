// The voice generator: waveforms, filter and pan, pitch limits, gate and the held triangle.
#include "engine.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace chimora {
namespace {

constexpr int CHANNEL = 0;

class VoiceTest : public ::testing::Test {
protected:
    // A sounding voice with a still oscillator whose left output is the raw waveform: no filter
    // lag (coefficient 1.0) and hard left (left pan gain 1.0).
    ChannelState& rawVoice(int instrument, double phase) {
        ChannelState& state = engine.channels[CHANNEL];
        state.instrument = static_cast<std::uint8_t>(instrument);
        state.phase = phase;
        state.frequency = 0.0;
        state.keyOn = 1;
        state.filterCoefficient = 1.0;
        state.pan = 1;
        return state;
    }

    int rawAt(int instrument, double phase) {
        rawVoice(instrument, phase);
        return engine.voiceSample(CHANNEL).left;
    }

    // Renders frames of one channel and returns the interleaved samples.
    std::vector<std::int16_t> render(int frames) {
        std::vector<std::int16_t> out(2 * frames);
        engine.renderChannel(CHANNEL, out.data(), 4 * frames);
        return out;
    }

    // Compiles a tune into the channel and starts it, as a song load does.
    void play(const char* text) {
        engine.clearAllEvents();
        engine.compileChannel(CHANNEL, text);
        engine.startChannel(CHANNEL);
    }

    Engine engine;
};

TEST_F(VoiceTest, HalfPulseAt441HzIsLowFor51OfEvery100Frames) {
    ChannelState& state = rawVoice(0, 0.0);
    state.frequency = 441.0;
    for (int cycle = 0; cycle < 3; ++cycle) {
        int low = 0;
        int high = 0;
        for (int frame = 0; frame < 100; ++frame) {
            const int value = engine.voiceSample(CHANNEL).left;
            low += value == -6363;
            high += value == 6363;
        }
        EXPECT_EQ(low, 51) << "cycle " << cycle;
        EXPECT_EQ(high, 49) << "cycle " << cycle;
    }
}

struct RawCase {
    int instrument;
    double phase;
    int expected;
};

TEST_F(VoiceTest, EachFamilyGivesItsRawValueAtAPhase) {
    // clang-format off
    const RawCase cases[] = {
        {0, 22050.0, -6363},   {0, 22050.5, 6363},     // low half, threshold included
        {1, 14700.0, -6363},   {1, 14701.0, 6363},     // low third
        {15, 2594.0, -6363},   {15, 2595.0, 6363},     // low seventeenth
        {16, 2756.0, -6363},   {16, 2757.0, 6363},     // family 1: low sixteenth
        {23, 22050.0, -6363},  {23, 22051.0, 6363},    // family 1: low half
        {31, 0.0, -6363},      {31, 44099.9, -6363},   // low throughout
        {32, 0.0, 12726},      {32, 22050.0, 0},       // sawtooth
        {32, 11025.0, 6363},   {32, 44099.0, -12725},
        {48, 0.0, 0},          {48, 11025.0, -8971},   // smooth triangle
        {48, 22050.0, 0},      {48, 33075.0, 8971},
        {48, 5000.0, -4068},
        {56, 1377.99, 0},      {56, 1378.0, -1121},    // stepped: 1378 phase units a step
        {63, 2755.0, -1121},
        {96, 12345.0, 0},      {99, 0.0, 0},           // silent family
        {0xF0, 100.0, 0},      {0x7F, 100.0, 0},       // hand-made families above 6
    };
    // clang-format on
    for (const RawCase& item : cases) {
        EXPECT_EQ(rawAt(item.instrument, item.phase), item.expected)
            << "instrument " << item.instrument << " at phase " << item.phase;
    }
}

TEST_F(VoiceTest, SteppedTriangleHoldsEachLevelFor1378PhaseUnits) {
    for (int step = 0; step < 33; ++step) {
        const double start = 1378.0 * step;
        const int level = rawAt(56, start);
        for (double offset : {1.0, 700.5, 1377.99}) {
            const double phase = std::min(start + offset, 44099.99); // the 33rd step is short
            EXPECT_EQ(rawAt(56, phase), level) << "step " << step << " phase " << phase;
        }
    }
}

TEST_F(VoiceTest, PhaseWrapsOnceAtTheCycleAndRunsWithTheKeyOff) {
    ChannelState& state = rawVoice(0, 44000.0);
    state.frequency = 150.0;
    engine.voiceSample(CHANNEL);
    EXPECT_DOUBLE_EQ(state.phase, 50.0);
    state.keyOn = 0;
    const StereoSample silent = engine.voiceSample(CHANNEL);
    EXPECT_EQ(silent.left, 0);
    EXPECT_EQ(silent.right, 0);
    EXPECT_DOUBLE_EQ(state.phase, 200.0);
}

struct SettleCase {
    double coefficient;
    int pan;
    int left;
    int right;
};

TEST_F(VoiceTest, FilterAndPanSettleWithThePanInsideTheFilter) {
    // clang-format off
    const SettleCase cases[] = {
        {0.85, 8, 4278, 4278}, {0.85, 1, 6363, 0}, {0.85, 15, 0, 6363},
        {0.01, 8, 149, 149},   {0.85, 0, 6363, 0}, // pan 0 acts as hard left
        {0.85, 200, 0, 0},     // a hand-made pan reads the last table entry on both sides
    };
    // clang-format on
    for (const SettleCase& item : cases) {
        ChannelState& state = rawVoice(0, 30000.0); // a constant +6363
        state.filterCoefficient = item.coefficient;
        state.pan = static_cast<std::uint8_t>(item.pan);
        state.filterLeft = state.filterRight = 0.0;
        StereoSample pair{};
        for (int frame = 0; frame < 3000; ++frame) pair = engine.voiceSample(CHANNEL);
        EXPECT_EQ(pair.left, item.left)
            << "coefficient " << item.coefficient << " pan " << item.pan;
        EXPECT_EQ(pair.right, item.right)
            << "coefficient " << item.coefficient << " pan " << item.pan;
    }
}

TEST_F(VoiceTest, PitchIsHeldWithinZeroAnd20000Hz) {
    ChannelState& state = engine.channels[CHANNEL];
    state.baseFrequency = 29000.0;
    state.sweepOffset = 1000.0 - state.sweepRate;
    render(1);
    EXPECT_EQ(state.frequency, 20000.0);

    state.baseFrequency = 100.0;
    state.frequency = 0.0;
    state.sweepOffset = -150.0;
    state.sweepRate = -1.0;
    state.phase = 1234.0;
    render(10);
    EXPECT_EQ(state.frequency, 0.0);
    EXPECT_EQ(state.phase, 1234.0) << "a negative pitch stops the oscillator, never reverses it";
}

TEST_F(VoiceTest, VibratoClimbsFor1750FramesThenTurnsEvery3500) {
    ChannelState& state = engine.channels[CHANNEL];
    state.baseFrequency = 440.0;
    state.vibratoStep = 0.01;
    state.vibratoCounter = 1750;
    state.vibratoDelayLeft = 3;
    render(2);
    EXPECT_EQ(state.vibratoOffset, 0.0) << "still delayed";
    render(1);
    EXPECT_DOUBLE_EQ(state.vibratoOffset, 0.01) << "the frame that ends the delay moves";
    render(1749);
    EXPECT_NEAR(state.vibratoOffset, 17.5, 1e-9);
    EXPECT_EQ(state.vibratoStep, -0.01);
    render(3500);
    EXPECT_NEAR(state.vibratoOffset, -17.5, 1e-9);
    EXPECT_NEAR(state.frequency, 440.0 - 17.5, 1e-9);
}

TEST_F(VoiceTest, KeyOffAtTheGateEndSilencesAtOnceAndFreezesTheFilter) {
    play("q4c4c4"); // tempo 165: a quarter is 16036.36 frames, its gate half of that
    ChannelState& state = engine.channels[CHANNEL];
    std::vector<std::int16_t> out = render(8018);
    EXPECT_NE(out[2 * 8017], 0) << "the gate's last frame still sounds";
    const double frozenLeft = state.filterLeft;
    out = render(16036 - 8018);
    for (int frame = 0; frame < 16036 - 8018; ++frame) {
        ASSERT_EQ(out[2 * frame], 0) << "frame " << 8018 + frame;
        ASSERT_EQ(out[2 * frame + 1], 0) << "frame " << 8018 + frame;
    }
    EXPECT_EQ(state.filterLeft, frozenLeft);
    EXPECT_EQ(state.keyOn, 1) << "the second note has started";
    EXPECT_NE(render(1)[0], 0);
}

TEST_F(VoiceTest, Instrument56HoldsItsLevelAfterTheGateAndDropsOneFrameAtARest) {
    play("@56q4c4r4"); // the rest starts at frame 16036
    ChannelState& state = engine.channels[CHANNEL];
    std::vector<std::int16_t> out = render(16036);
    const std::int16_t held = out[2 * 16035];
    EXPECT_NE(held, 0);
    EXPECT_EQ(out[2 * 12000], held) << "constant from well before the rest";
    const double stoppedPhase = state.phase;
    out = render(3);
    EXPECT_EQ(out[0], 0) << "the rest's first frame is silent";
    EXPECT_EQ(out[2], held);
    EXPECT_EQ(out[4], held);
    EXPECT_EQ(state.phase, stoppedPhase);
    EXPECT_EQ(state.keyOn, 1);
}

TEST_F(VoiceTest, OutputIsRawTimesVolumeGainTimesEnvelope) {
    ChannelState& state = rawVoice(32, 0.0); // 12726
    state.envelopeRestart = 0;
    state.envelopePhase = 2;
    state.envelopeLevel = 0.5;
    state.volume = 12;             // 0.353553
    EXPECT_EQ(render(1)[0], 2249); // trunc(12726 x 0.353553 x 0.5) = trunc(2249.65)
    state.volume = 200;            // hand-made: read as full volume
    EXPECT_EQ(render(1)[0], 6363);
}

TEST_F(VoiceTest, RenderWritesOneFramePer4BytesAndNothingForNoLength) {
    ChannelState& state = rawVoice(32, 0.0);
    state.frequency = state.baseFrequency = 1.0; // one phase unit a frame
    std::vector<std::int16_t> out(3002, 777);
    engine.renderChannel(CHANNEL, out.data(), 6000);
    EXPECT_EQ(out[2999], 0) << "silent frames (volume 0), written";
    EXPECT_EQ(out[3000], 777);
    EXPECT_DOUBLE_EQ(state.phase, 1500.0);
    engine.renderChannel(CHANNEL, out.data(), 5);
    EXPECT_DOUBLE_EQ(state.phase, 1502.0) << "5 bytes: frames 0 and 1";
    for (std::int32_t lengthBytes : {0, -4, -6000}) {
        engine.renderChannel(CHANNEL, out.data() + 3000, lengthBytes);
        EXPECT_EQ(out[3000], 777);
        EXPECT_DOUBLE_EQ(state.phase, 1502.0);
    }
}

} // namespace
} // namespace chimora
