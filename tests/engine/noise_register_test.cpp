// The shared noise register: its two sequences, the reset on a mode change, and the noise voice.
#include "engine.h"

#include <gtest/gtest.h>

#include <string>

namespace chimora {
namespace {

std::string bits(Engine& engine, std::uint8_t mode, int steps) {
    std::string out;
    for (int step = 0; step < steps; ++step) out += engine.noiseShift(mode) ? '1' : '0';
    return out;
}

TEST(NoiseRegisterTest, FirstStepsFromStartUp) {
    Engine longNoise;
    EXPECT_EQ(bits(longNoise, 0, 15), "000000000000011");
    Engine shortNoise;
    EXPECT_EQ(bits(shortNoise, 1, 9), "000000001");
}

TEST(NoiseRegisterTest, LongSequenceRepeatsAfter32767StepsAndShortAfter93) {
    Engine engine;
    for (int step = 1; step <= 32767; ++step) {
        engine.noiseShift(0);
        if (step < 32767) {
            ASSERT_NE(engine.noiseRegister, 0x4000) << "step " << step;
        }
    }
    EXPECT_EQ(engine.noiseRegister, 0x4000);

    for (int step = 1; step <= 93; ++step) {
        engine.noiseShift(1);
        if (step < 93) {
            ASSERT_NE(engine.noiseRegister, 0x4000) << "step " << step;
        }
    }
    EXPECT_EQ(engine.noiseRegister, 0x4000);
}

TEST(NoiseRegisterTest, AModeChangeStartsTheRegisterAfresh) {
    Engine engine;
    bits(engine, 0, 20);
    EXPECT_EQ(bits(engine, 1, 9), "000000001") << "as from start-up";
    EXPECT_EQ(engine.lastNoiseMode, 1);
    EXPECT_EQ(bits(engine, 0, 15), "000000000000011");
    // Alternating modes resets at every change, so the sequence never gets past its start.
    std::string alternating;
    for (int step = 1; step <= 6; ++step)
        alternating += engine.noiseShift(static_cast<std::uint8_t>(step % 2)) ? '1' : '0';
    EXPECT_EQ(alternating, "000000");
    EXPECT_EQ(engine.noiseRegister, 0x2000);
}

TEST(NoiseRegisterTest, NoiseVoiceStepsTheSharedRegisterAtItsRate) {
    Engine engine;
    ChannelState& state = engine.channels[5];
    state.instrument = 64; // long noise, 447443.125 steps per second
    state.keyOn = 1;
    engine.voiceSample(5);
    EXPECT_DOUBLE_EQ(state.noisePhase, 447443.125 - 10 * 44100.0);
    Engine reference;
    bits(reference, 0, 10);
    EXPECT_EQ(engine.noiseRegister, reference.noiseRegister);
    EXPECT_EQ(state.noiseLevel, 6363) << "the tenth step gave 0";
    for (int frame = 0; frame < 2; ++frame) engine.voiceSample(5);
    bits(reference, 0, 10 + 10);
    EXPECT_EQ(engine.noiseRegister, reference.noiseRegister);
    EXPECT_EQ(state.noiseLevel, -6363) << "the thirtieth step gave 1";

    state.instrument = 95; // short noise at its slowest: one step in about a hundred frames
    state.noisePhase = 0.0;
    const std::uint16_t before = engine.noiseRegister;
    engine.voiceSample(5);
    EXPECT_EQ(engine.noiseRegister, before);
    EXPECT_EQ(state.noiseLevel, -6363) << "no step: the previous level";
}

} // namespace
} // namespace chimora
