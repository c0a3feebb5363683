// The per-frame envelope: attack to 1.0, decay to the sustain level, then hold.
#include "engine.h"
#include "instrument.h"

namespace chimora {

namespace {

constexpr std::uint8_t PHASE_ATTACK = 0;
constexpr std::uint8_t PHASE_DECAY = 1;
constexpr std::uint8_t PHASE_SUSTAIN = 2;

} // namespace

double Engine::envelopeStep(int channel, std::uint8_t restart) {
    ChannelState& state = channels[channel];
    if (restart) {
        state.envelopeLevel = 0.0;
        state.envelopePhase = PHASE_ATTACK;
    }
    // The triangle has no volume control of its own: always at full level.
    if (instrumentFamily(state.instrument) == FAMILY_TRIANGLE) {
        state.envelopeLevel = 1.0;
        return 1.0;
    }
    // The stages run in one call, so the frame that completes the attack already decays.
    if (state.envelopePhase == PHASE_ATTACK) {
        state.envelopeLevel = state.envelopeLevel + state.attackRate;
        if (state.envelopeLevel > 1.0) {
            state.envelopeLevel = 1.0;
            state.envelopePhase = PHASE_DECAY;
        }
    }
    if (state.envelopePhase == PHASE_DECAY) {
        state.envelopeLevel = state.envelopeLevel - state.decayRate;
        if (state.envelopeLevel < state.sustainLevel) {
            state.envelopeLevel = state.sustainLevel;
            state.envelopePhase = PHASE_SUSTAIN;
        }
    }
    return state.envelopeLevel;
}

} // namespace chimora
