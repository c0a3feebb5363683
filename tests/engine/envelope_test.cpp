// The envelope: attack, decay and sustain level frame by frame, and the triangle's fixed level.
#include "engine.h"

#include <gtest/gtest.h>

#include <vector>

namespace chimora {
namespace {

struct EnvelopeCase {
    const char* name;
    double attackRate;
    double decayRate;
    double sustainLevel;
    std::vector<double> levels; // one per frame from a restart
    int finalPhase;
};

TEST(EnvelopeTest, LevelsFromARestart) {
    const EnvelopeCase cases[] = {
        {"default: full level from the first frame", 1.0, 0.0, 0.0, {1.0, 1.0, 1.0}, 1},
        {"attack 0.4 enters the decay on its third frame", 0.4, 0.0, 0.0, {0.4, 0.8, 1.0, 1.0}, 1},
        // Reaching exactly 1.0 is not above it: the attack holds one more frame.
        {"an attack landing on 1.0 decays a frame later", 1.0, 0.1, 0.0, {1.0, 0.9, 0.8}, 1},
        // The frame that completes the attack already takes one decay step.
        {"attack and decay in one frame", 0.6, 0.1, 0.0, {0.6, 0.9, 0.8}, 1},
        {"a sustain above that decay step", 0.6, 0.5, 0.7, {0.6, 0.7, 0.7}, 2},
        {"attack 0 stays silent", 0.0, 0.1, 0.5, {0.0, 0.0, 0.0}, 0},
        {"decays to the sustain level and holds", 1.5, 0.25, 0.5, {0.75, 0.5, 0.5, 0.5}, 2},
    };
    for (const EnvelopeCase& item : cases) {
        Engine engine;
        ChannelState& state = engine.channels[1];
        state.attackRate = item.attackRate;
        state.decayRate = item.decayRate;
        state.sustainLevel = item.sustainLevel;
        std::uint8_t restart = 1;
        for (std::size_t frame = 0; frame < item.levels.size(); ++frame) {
            EXPECT_NEAR(engine.envelopeStep(1, restart), item.levels[frame], 1e-12)
                << item.name << ", frame " << frame;
            restart = 0;
        }
        EXPECT_EQ(state.envelopePhase, item.finalPhase) << item.name;
    }
}

TEST(EnvelopeTest, DecayStopsOnlyBelowTheSustainLevel) {
    Engine engine;
    ChannelState& state = engine.channels[2];
    state.decayRate = 0.25;
    state.sustainLevel = 0.5;
    state.envelopePhase = 1;
    state.envelopeLevel = 1.0;
    EXPECT_EQ(engine.envelopeStep(2, 0), 0.75);
    EXPECT_EQ(engine.envelopeStep(2, 0), 0.5);
    EXPECT_EQ(state.envelopePhase, 1) << "0.5 is not below 0.5";
    EXPECT_EQ(engine.envelopeStep(2, 0), 0.5);
    EXPECT_EQ(state.envelopePhase, 2);
}

TEST(EnvelopeTest, RestartGoesBackToTheAttackFromZero) {
    Engine engine;
    ChannelState& state = engine.channels[3];
    state.attackRate = 0.3;
    state.envelopePhase = 2;
    state.envelopeLevel = 0.9;
    EXPECT_DOUBLE_EQ(engine.envelopeStep(3, 1), 0.3);
    EXPECT_EQ(state.envelopePhase, 0);
}

TEST(EnvelopeTest, TriangleFamilyIsAlwaysAtFullLevel) {
    Engine engine;
    ChannelState& state = engine.channels[4];
    state.instrument = 56;
    state.attackRate = 0.0; // would keep any other family silent
    state.envelopePhase = 2;
    EXPECT_EQ(engine.envelopeStep(4, 1), 1.0);
    EXPECT_EQ(engine.envelopeStep(4, 0), 1.0);
    EXPECT_EQ(state.envelopeLevel, 1.0);
    EXPECT_EQ(state.envelopePhase, 0) << "the restart still resets the phase";
    state.instrument = 63;
    state.envelopePhase = 2;
    EXPECT_EQ(engine.envelopeStep(4, 0), 1.0);
    EXPECT_EQ(state.envelopePhase, 2);
}

} // namespace
} // namespace chimora
