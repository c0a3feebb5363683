// The sequencer: starting and stopping channels and interpreting their events step by step.
#include "engine.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace chimora {

namespace {

// clang-format off
constexpr std::int32_t START_TEMPO = 16500;   // 165 beats per minute, in hundredths
constexpr std::uint8_t START_STEP_TICKS = 24; // an eighth note
// clang-format on
constexpr std::uint8_t LOWEST_COMPILED_TEMPO = 15;

void stopSequencer(ChannelState& state) {
    state.keyOn = 0;
    state.active = 0;
}

// Only whether a note was ever started matters, so the count stops at its maximum rather than
// overflowing on a tune of zero-length notes rendered for hours.
void countNote(ChannelState& state) {
    if (state.noteCount < INT32_MAX) state.noteCount += 1;
}

} // namespace

double Engine::stepLengthSamples(int channel, std::uint8_t ticks) const {
    if (!isChannelNumber(channel)) return 0.0;
    // 1058400000 = 44100 samples x 60 seconds x 100 (hundredths) x 4 beats to a whole note.
    return (ticks * 1058400000.0) / (channels[channel].tempo * 192.0);
}

void Engine::resetEnvelope(int channel) {
    if (!isChannelNumber(channel)) return;
    ChannelState& state = channels[channel];
    state.attackRate = 1.0;
    state.decayRate = 0.0;
    state.sustainLevel = 0.0;
    state.envelopeRestart = 1;
    state.envelopeLevel = 0.0;
    state.envelopePhase = 0;
}

void Engine::startChannel(int channel) {
    if (!isChannelNumber(channel)) return;
    ChannelState& state = channels[channel];
    state.tempo = START_TEMPO;
    state.instrument = 0;
    state.noteCount = 0;
    state.loopPasses = 0;
    state.stepSamples = state.gateSamples = stepLengthSamples(channel, START_STEP_TICKS);
    state.tieNext = 0;
    state.active = 1;
    state.volume = 13;
    state.gate = 8;
    state.sweepRate = 0.0;
    state.vibratoRate = state.vibratoStep = state.vibratoOffset = 0.0;
    state.vibratoCounter = 0;
    state.vibratoDelayLeft = 0;
    state.vibratoDelay = 0;
    resetEnvelope(channel);
    state.pan = 8;
    state.transpose = 0;
    state.readPos = state.loopPoint = 0;
    for (int depth = 0; depth < REPEAT_SLOTS; ++depth) {
        state.repeatStart[depth] = 0;
        state.repeatPass[depth] = 0;
    }
    state.repeatDepth = 0;
    state.filterCoefficient = 0.85;
    stepEvents(channel);
}

void Engine::startAllChannels() {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) startChannel(channel);
}

void Engine::stopChannel(int channel) {
    if (!isChannelNumber(channel)) return;
    ChannelState& state = channels[channel];
    stopSequencer(state);
    state.events[0] = EV_STREAM_END;
    state.readPos = state.loopPoint = 0;
}

void Engine::stopAllChannels() {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) stopChannel(channel);
}

namespace {

// Sets up a note (codes 1..232): pitch, key-on restart when the key was off, step and gate.
void startNote(Engine& engine, int channel, std::uint8_t code, std::uint8_t ticks) {
    ChannelState& state = engine.channels[channel];
    const auto note = static_cast<std::uint8_t>(code + state.transpose);
    state.baseFrequency = Engine::noteFrequency(note, state.detune);
    if (state.keyOn == 0) {
        state.keyOn = 1;
        state.envelopeRestart = 1;
        state.sweepOffset = 0.0;
        state.vibratoOffset = 0.0;
        state.vibratoStep = state.vibratoRate;
        state.vibratoCounter = 1750;
        state.vibratoDelayLeft = state.vibratoDelay;
    }
    state.stepSamples = engine.stepLengthSamples(channel, ticks);
    if (state.tieNext) {
        state.gateSamples = state.stepSamples + 2.0;
    } else {
        state.gateSamples = state.stepSamples * static_cast<std::int8_t>(state.gate) * 0.125;
    }
    countNote(state);
}

// A repeat pass that meets no note or rest runs inside the step that reached it, so nested
// empty sections ('[[[[]99]99]99]99') would make one step read about 97 million events and
// hold the render thread for seconds. The skip is exact: when a pass starts from the same
// record as the pass before it, except for the section's own bookkeeping at that depth (pass
// count, and the count and end position that the first section end sets), nothing in it reads
// that bookkeeping but the break and the section end, so every further pass but the last does
// the same; the count moves on to the last pass, which runs as before. The section start
// stands for the jump before the first pass. A volume step drifts from pass to pass until it
// reaches its clamp, which only delays the skip.
class PassSkipper {
public:
    explicit PassSkipper(bool enabled) : enabled_(enabled) {}

    // Called when a section start opened the section at `depth` (1..5).
    void sectionOpened(const ChannelState& state, int depth) { record(state, depth); }

    // Called right after the section end at `depth` jumped back to the section's start.
    void jumpedBack(ChannelState& state, int depth) {
        if (!enabled_) return;
        if (passRepeats(state, depth)) {
            state.repeatPass[depth] = state.repeatTimes[depth] - 1;
            return;
        }
        record(state, depth);
    }

private:
    void record(const ChannelState& state, int depth) {
        if (enabled_) std::memcpy(&passStart_[depth].state, &state, sizeof(ChannelState));
    }

    // Whether the record equals the one at the previous pass's start, the bookkeeping of the
    // section at `depth` excepted. Bytes are compared, so a difference in padding can only
    // cost a skip, never make one.
    bool passRepeats(const ChannelState& state, int depth) {
        ChannelState& before = passStart_[depth].state;
        before.repeatPass[depth] += 1;
        before.repeatTimes[depth] = state.repeatTimes[depth];
        before.repeatEnd[depth] = state.repeatEnd[depth];
        return std::memcmp(&before, &state, sizeof(ChannelState)) == 0;
    }

    static_assert(std::is_trivially_copyable_v<ChannelState>);
    bool enabled_;
    // Per depth, the record at the start of the section's latest pass. Raw storage, since
    // constructing records on every step would cost more than the skip saves.
    union Record {
        Record() {}
        ChannelState state;
    };
    Record passStart_[REPEAT_SLOTS];
};

// Repeat events; each returns true when it stopped the channel. They leave readPos on the
// event before the one to interpret next, since the caller advances it afterwards.
bool repeatStart(ChannelState& state, PassSkipper& skipper) {
    const int depth = state.repeatDepth + 1;
    state.repeatDepth = depth;
    state.repeatStart[depth] = state.readPos;
    state.repeatPass[depth] = 0;
    state.repeatTimes[depth] = 255;
    skipper.sectionOpened(state, depth);
    if (depth == REPEAT_SLOTS - 1) {
        stopSequencer(state); // a fifth nested section
        return true;
    }
    return false;
}

bool repeatEnd(ChannelState& state, std::uint8_t passes, PassSkipper& skipper) {
    const int depth = state.repeatDepth;
    if (depth < 1) {
        stopSequencer(state);
        return true;
    }
    state.repeatPass[depth] += 1;
    if (state.repeatPass[depth] >= passes) {
        state.repeatDepth = depth - 1;
    } else {
        state.repeatTimes[depth] = passes;
        state.repeatEnd[depth] = state.readPos;
        state.readPos = state.repeatStart[depth];
        skipper.jumpedBack(state, depth);
    }
    return false;
}

void repeatBreak(ChannelState& state) {
    const int depth = state.repeatDepth;
    if (depth >= 1 && state.repeatPass[depth] == state.repeatTimes[depth] - 1) {
        state.readPos = state.repeatEnd[depth];
        state.repeatDepth = depth - 1;
    }
}

// The terminator: loop to the loop point if a note was ever started, else stop. A second
// terminator met in one step means the loop holds no note or rest, so the channel stops
// instead of looping forever.
bool streamEnd(ChannelState& state, int& streamEndsThisStep) {
    state.keyOn = 0;
    state.repeatDepth = 0;
    if (state.noteCount == 0 || ++streamEndsThisStep > 1) {
        stopSequencer(state);
        return true;
    }
    countNote(state);
    if (state.loopPasses < INT32_MAX) state.loopPasses += 1;
    state.readPos = state.loopPoint - 2;
    return false;
}

} // namespace

void Engine::stepEvents(int channel) {
    if (!isChannelNumber(channel)) return;
    ChannelState& state = channels[channel];
    if (state.active == 0) return;
    state.tieNext = 0;
    int streamEndsThisStep = 0;
    PassSkipper skipper(skipRepeatedPasses);
    for (;;) {
        // A buffer without a terminator ends where the buffer ends.
        const bool pastBuffer = state.readPos > EVENT_BUFFER_BYTES - 2;
        const std::uint8_t code = pastBuffer ? EV_STREAM_END : state.events[state.readPos];
        const std::uint8_t argument = pastBuffer ? 0 : state.events[state.readPos + 1];
        bool endsStep = false;
        switch (code) {
        case EV_REST:
            state.keyOn = 0;
            state.stepSamples = stepLengthSamples(channel, argument);
            endsStep = true;
            break;
        case EV_TRANSPOSE: state.transpose = static_cast<std::int8_t>(argument); break;
        case EV_VOLUME_STEP:
            if (argument == 1) {
                state.volume = state.volume >= 15 ? 15 : state.volume + 1;
            } else {
                state.volume = state.volume == 0 ? 0 : state.volume - 1;
            }
            break;
        case EV_FILTER: state.filterCoefficient = (argument + 1) * 0.01; break;
        case EV_TEMPO_FRACTION: state.tempo = state.tempo - (state.tempo % 100) + argument; break;
        case EV_PAN: state.pan = argument; break;
        case EV_VIBRATO_DELAY: state.vibratoDelay = argument * 44100 / 50; break;
        case EV_REPEAT_BREAK: repeatBreak(state); break;
        case EV_REPEAT_END: endsStep = repeatEnd(state, argument, skipper); break;
        case EV_REPEAT_START: endsStep = repeatStart(state, skipper); break;
        case EV_VIBRATO:
            state.vibratoRate = argument * 0.0005;
            if (state.vibratoRate == 0.0) state.vibratoOffset = 0.0;
            break;
        case EV_SWEEP:
            state.sweepRate = static_cast<std::int8_t>(argument) * 0.0004;
            if (argument == 0) state.sweepOffset = 0.0;
            break;
        case EV_INSTRUMENT: state.instrument = argument; break;
        case EV_DETUNE: state.detune = static_cast<std::int8_t>(argument); break;
        case EV_LOOP_POINT: state.loopPoint = state.readPos; break;
        case EV_TIE: state.tieNext = 1; break;
        case EV_GATE: state.gate = argument; break;
        case EV_SUSTAIN: {
            const double half = argument * 0.5;
            state.sustainLevel = half * half * 0.00040812162024283236; // (argument / 99)^2
            break;
        }
        case EV_DECAY: state.decayRate = argument * 0.00001; break;
        case EV_ATTACK: // 0.01 x (argument / 99)^3
            state.attackRate = argument * argument * argument * 1.0306101521283646e-8;
            break;
        case EV_VOLUME: state.volume = argument; break;
        case EV_TEMPO:
            // The compiler never writes a tempo below 15; a hand-made 0 would make every
            // step endless, so it is read as that lowest tempo instead.
            state.tempo = (argument == 0 ? LOWEST_COMPILED_TEMPO : argument) * 100;
            break;
        case EV_END:
            stopSequencer(state);
            endsStep = true;
            break;
        case EV_STREAM_END: endsStep = streamEnd(state, streamEndsThisStep); break;
        default: // 1..232: a note
            startNote(*this, channel, code, argument);
            endsStep = true;
            break;
        }
        state.readPos += 2;
        if (endsStep) return;
    }
}

} // namespace chimora
