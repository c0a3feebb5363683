// The mixer: wrap-around sums, the master gain, and the order and count of channel renders.
#include "engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace chimora {
namespace {

class MixerTest : public ::testing::Test {
protected:
    // A channel that sends a fixed value to one side: with a filter coefficient of 0 the filter
    // state never moves, and pan 1 or 15 passes it at gain 1.0 to the left or right only.
    void holdValue(int channel, double value, bool left) {
        ChannelState& state = sounding(channel);
        state.filterCoefficient = 0.0;
        state.pan = left ? 1 : 15;
        (left ? state.filterLeft : state.filterRight) = value;
    }

    // Key on at full volume and full envelope, sequencer stopped, oscillator still.
    ChannelState& sounding(int channel) {
        ChannelState& state = engine.channels[channel];
        state.keyOn = 1;
        state.volume = 15;
        state.envelopeRestart = 0;
        state.envelopePhase = 2;
        state.envelopeLevel = 1.0;
        return state;
    }

    std::vector<std::int16_t> mix() {
        std::vector<std::int16_t> block(BLOCK_SAMPLES, 999);
        engine.mixBlock(block.data(), BLOCK_BYTES);
        return block;
    }

    Engine engine;
};

TEST_F(MixerTest, AllKeysOffGiveSilenceAtAnyGain) {
    engine.setMasterGain(2.7);
    for (std::int16_t sample : mix()) ASSERT_EQ(sample, 0);
}

TEST_F(MixerTest, SumsWrapAroundInsteadOfClipping) {
    for (int channel = 0; channel < 3; ++channel) {
        ChannelState& state = sounding(channel);
        state.instrument = 32; // sawtooth: 12726 at phase 0
        state.filterCoefficient = 1.0;
        state.pan = 1;
    }
    const std::vector<std::int16_t> block = mix();
    EXPECT_EQ(block[0], -27358) << "38178 wrapped";
    EXPECT_EQ(block[2 * 1499], -27358);
    EXPECT_EQ(block[1], 0);
}

struct GainCase {
    double gain;
    double left;
    double right;
    int expectedLeft;
    int expectedRight;
};

TEST_F(MixerTest, MasterGainTruncatesTowardZeroAndWraps) {
    const GainCase cases[] = {
        // clang-format off
        {2.7, 10000, -3, 27000, -8},   // -8.1 truncated toward zero
        {2.7, 13000, 0, -30436, 0},    // 35100 wrapped
        // clang-format on
        {0.5, 3, -3, 1, -1},
        {1.0, -32768, 32767, -32768, 32767},
    };
    for (const GainCase& item : cases) {
        holdValue(0, item.left, true);
        holdValue(1, item.right, false);
        engine.setMasterGain(item.gain);
        const std::vector<std::int16_t> block = mix();
        EXPECT_EQ(block[0], item.expectedLeft) << "gain " << item.gain << " on " << item.left;
        EXPECT_EQ(block[1], item.expectedRight) << "gain " << item.gain << " on " << item.right;
        EXPECT_EQ(block[BLOCK_SAMPLES - 2], item.expectedLeft);
    }
}

struct WrapCase {
    const char* name;
    std::vector<double> channelValues; // held on the left by channels 0, 1, ...
    double gain;
    std::uint64_t expectedPerBlock;
};

// Only the left samples carry sound here: a block holds 1500 of them.
TEST_F(MixerTest, CountsSamplesWhoseSumOrScalingWrapped) {
    const WrapCase cases[] = {
        {"in range", {20000, 12767}, 1.0, 0},
        {"sum beyond the top", {20000, 12768}, 1.0, 1500},
        {"sum below the bottom", {-20000, -12769}, 1.0, 1500},
        {"sum wraps and comes back", {30000, 30000, -30000}, 1.0, 0},
        {"gain keeps it", {12000}, 2.7, 0},
        {"gain wraps it", {13000}, 2.7, 1500},
        {"both wrap, counted once", {30000, 30000}, 2.7, 1500},
        {"-32768.3 truncates into range", {-32768}, 1.00001, 0},
        {"32768.3 wraps", {32767}, 1.00004, 1500},
    };
    for (const WrapCase& item : cases) {
        for (ChannelState& state : engine.channels) state.keyOn = 0;
        engine.countWrappedSamples = false;
        engine.wrappedSamples = 0;
        for (std::size_t channel = 0; channel < item.channelValues.size(); ++channel) {
            holdValue(static_cast<int>(channel), item.channelValues[channel], true);
        }
        engine.setMasterGain(item.gain);
        mix();
        EXPECT_EQ(engine.wrappedSamples, 0u) << item.name << ": counted while switched off";
        engine.countWrappedSamples = true;
        mix();
        mix();
        EXPECT_EQ(engine.wrappedSamples, 2 * item.expectedPerBlock) << item.name;
    }
}

TEST_F(MixerTest, ChannelMixGainIsAppliedBeforeTheSum) {
    holdValue(0, 1001, true);
    holdValue(1, 1001, true);
    engine.channels[0].mixGain = 0.5;
    engine.channels[1].mixGain = 0.5;
    EXPECT_EQ(mix()[0], 1000) << "500 + 500, each truncated before adding";
}

TEST_F(MixerTest, NegativeOrMissingGainIsIgnored) {
    engine.setMasterGain(2.7);
    engine.setMasterGain(-0.5);
    EXPECT_EQ(engine.masterGain.load(), 2.7);
    engine.setMasterGain(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(engine.masterGain.load(), 2.7);
    engine.setMasterGain(0.0);
    EXPECT_EQ(engine.masterGain.load(), 0.0);
    holdValue(0, 20000, true);
    for (std::int16_t sample : mix()) ASSERT_EQ(sample, 0);
}

TEST_F(MixerTest, EveryChannelRendersOneWholeBlockInChannelOrder) {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        ChannelState& state = engine.channels[channel];
        state.frequency = state.baseFrequency = 1.0 + channel; // phase units a frame
    }
    // Channel 0 plays short noise, channel 7 long noise: the register's mode is the last
    // renderer's.
    sounding(0).instrument = 80;
    sounding(7).instrument = 64;
    mix();
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        EXPECT_DOUBLE_EQ(engine.channels[channel].phase, 1500.0 * (1.0 + channel));
    }
    EXPECT_EQ(engine.lastNoiseMode, 0);
}

TEST_F(MixerTest, LengthOtherThanABlockNeverRendersPastTheScratchBlock) {
    ChannelState& state = engine.channels[2];
    state.frequency = state.baseFrequency = 1.0; // one phase unit a frame
    holdValue(0, 500, true);
    mix(); // fills the scratch block with the last channel's frames
    engine.mixBlock(std::vector<std::int16_t>(BLOCK_SAMPLES).data(), 7000);
    EXPECT_DOUBLE_EQ(state.phase, 3000.0) << "at most 1500 frames";

    std::vector<std::int16_t> block(BLOCK_SAMPLES, 999);
    engine.mixBlock(block.data(), 3000);
    EXPECT_DOUBLE_EQ(state.phase, 3750.0);
    EXPECT_EQ(block[2 * 749], 500);
    EXPECT_EQ(block[2 * 750], 0) << "frames left out are silent";

    engine.mixBlock(block.data(), 0);
    EXPECT_DOUBLE_EQ(state.phase, 3750.0);
    for (std::int16_t sample : block) ASSERT_EQ(sample, 0);
}

} // namespace
} // namespace chimora
