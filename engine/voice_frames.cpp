// First pass of the block mixer: each channel's oscillator, waveform, noise, pitch, envelope and
// step counting, frame by frame with the running values held in locals, and the sequencer
// called where a step runs out. The operations and their order are those of voiceSample,
// envelopeStep and renderChannel's frame loop; only the reading and writing of the channel
// record is moved out of the frame loop.
#include "block_voices.h"
#include "instrument.h"
#include "noise_stream.h"
#include "voice_tables.h"
#include "waveforms.h"

#include <array>
#include <cmath>
#include <cstring>

namespace chimora {

namespace {

constexpr double PITCH_LIMIT_HZ = 20000.0;
constexpr std::int32_t VIBRATO_TURN_FRAMES = 3500;

// How many frames can be counted at once: frames 0 means one frame by the rule.
struct CountPlan {
    std::int64_t frames;
    bool gateDrifts; // the gate is below 1 already and only counts on, one frame at a time
};

constexpr double EXACT_COUNT_LIMIT = 4503599627370496.0; // 2^52: whole frames stay exact below

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The channel's running values, loaded from its record before a run of frames and stored
// back before the sequencer reads or changes the record.
struct VoiceRun {
    double phase, frequency, baseFrequency;
    double sweepOffset, sweepRate, vibratoOffset, vibratoStep;
    std::int32_t vibratoCounter, vibratoDelayLeft;
    double envelopeLevel, attackRate, decayRate, sustainLevel;
    std::uint8_t envelopePhase, envelopeRestart;
    bool triangleEnvelope, heldTriangle;
    double stepSamples, gateSamples;
    std::uint8_t keyOn, active, tieNext;
    double noisePhase;
    std::int16_t noiseLevel;
    // The register all noise channels share; the first pass runs one channel at a time.
    std::uint16_t noiseRegister;
    std::uint8_t lastNoiseMode;

    VoiceRun(const Engine& engine, int channel) : VoiceRun(engine.channels[channel]) {
        noiseRegister = engine.noiseRegister;
        lastNoiseMode = engine.lastNoiseMode;
    }

    explicit VoiceRun(const ChannelState& s)
        : phase(s.phase), frequency(s.frequency), baseFrequency(s.baseFrequency),
          sweepOffset(s.sweepOffset), sweepRate(s.sweepRate), vibratoOffset(s.vibratoOffset),
          vibratoStep(s.vibratoStep), vibratoCounter(s.vibratoCounter),
          vibratoDelayLeft(s.vibratoDelayLeft), envelopeLevel(s.envelopeLevel),
          attackRate(s.attackRate), decayRate(s.decayRate), sustainLevel(s.sustainLevel),
          envelopePhase(s.envelopePhase), envelopeRestart(s.envelopeRestart),
          triangleEnvelope(instrumentFamily(s.instrument) == FAMILY_TRIANGLE),
          heldTriangle(s.instrument == INSTRUMENT_HELD_TRIANGLE), stepSamples(s.stepSamples),
          gateSamples(s.gateSamples), keyOn(s.keyOn), active(s.active), tieNext(s.tieNext),
          noisePhase(s.noisePhase), noiseLevel(s.noiseLevel), noiseRegister(0), lastNoiseMode(0) {}

    void storeTo(Engine& engine, int channel) const {
        engine.noiseRegister = noiseRegister;
        engine.lastNoiseMode = lastNoiseMode;
        ChannelState& s = engine.channels[channel];
        s.phase = phase;
        s.frequency = frequency;
        s.sweepOffset = sweepOffset;
        s.vibratoOffset = vibratoOffset;
        s.vibratoStep = vibratoStep;
        s.vibratoCounter = vibratoCounter;
        s.vibratoDelayLeft = vibratoDelayLeft;
        s.envelopeLevel = envelopeLevel;
        s.envelopePhase = envelopePhase;
        s.envelopeRestart = envelopeRestart;
        s.stepSamples = stepSamples;
        s.gateSamples = gateSamples;
        s.keyOn = keyOn;
        s.noisePhase = noisePhase;
        s.noiseLevel = noiseLevel;
    }

    void advanceOscillator() {
        phase = phase + frequency;
        if (phase >= PHASE_CYCLE) phase = phase - PHASE_CYCLE;
    }

    void advancePitch() {
        sweepOffset = sweepOffset + sweepRate;
        if (vibratoDelayLeft != 0) vibratoDelayLeft -= 1;
        if (vibratoDelayLeft == 0) {
            vibratoOffset = vibratoOffset + vibratoStep;
            vibratoCounter -= 1;
            if (vibratoCounter <= 0) {
                vibratoCounter = VIBRATO_TURN_FRAMES;
                vibratoStep = -vibratoStep;
            }
        }
        double next = sweepOffset + baseFrequency + vibratoOffset;
        if (next < 0.0) next = 0.0;
        if (next > PITCH_LIMIT_HZ) next = PITCH_LIMIT_HZ;
        frequency = next;
    }

    double advanceEnvelope() {
        if (envelopeRestart) {
            envelopeLevel = 0.0;
            envelopePhase = 0;
            envelopeRestart = 0;
        }
        if (triangleEnvelope) {
            envelopeLevel = 1.0;
            return 1.0;
        }
        if (envelopePhase == 0) {
            envelopeLevel = envelopeLevel + attackRate;
            if (envelopeLevel > 1.0) {
                envelopeLevel = 1.0;
                envelopePhase = 1;
            }
        }
        if (envelopePhase == 1) {
            envelopeLevel = envelopeLevel - decayRate;
            if (envelopeLevel < sustainLevel) {
                envelopeLevel = sustainLevel;
                envelopePhase = 2;
            }
        }
        return envelopeLevel;
    }

    // The pitch the frame loop computes from the current offsets.
    double pitchNow() const {
        double next = sweepOffset + baseFrequency + vibratoOffset;
        if (next < 0.0) next = 0.0;
        if (next > PITCH_LIMIT_HZ) next = PITCH_LIMIT_HZ;
        return next;
    }

    // Adding a zero sweep and a zero vibrato step leaves both offsets as they are (only a
    // negative zero would turn positive), so every frame computes the same pitch.
    bool pitchIsSteady() const {
        return sameBits(sweepRate, 0.0) && vibratoStep == 0.0 && !sameBits(sweepOffset, -0.0) &&
               !sameBits(vibratoOffset, -0.0);
    }

    // Advances the vibrato's delay, turn counter and step sign by `frames` frames of a steady
    // pitch, in closed form.
    void skipVibratoCounters(std::int64_t frames) {
        std::int64_t moves = frames;
        if (vibratoDelayLeft > 0) {
            if (frames < vibratoDelayLeft) {
                vibratoDelayLeft -= static_cast<std::int32_t>(frames);
                moves = 0;
            } else {
                moves = frames - vibratoDelayLeft + 1;
                vibratoDelayLeft = 0;
            }
        } else if (vibratoDelayLeft < 0) { // counts down forever and never starts the vibrato
            vibratoDelayLeft -= static_cast<std::int32_t>(frames);
            moves = 0;
        }
        if (moves == 0) return;
        const std::int64_t firstTurn = vibratoCounter <= 1 ? 1 : vibratoCounter;
        if (moves < firstTurn) {
            vibratoCounter -= static_cast<std::int32_t>(moves);
            return;
        }
        const std::int64_t after = moves - firstTurn;
        vibratoCounter =
            static_cast<std::int32_t>(VIBRATO_TURN_FRAMES - after % VIBRATO_TURN_FRAMES);
        if ((1 + after / VIBRATO_TURN_FRAMES) % 2 != 0) vibratoStep = -vibratoStep;
    }

    // True when one more envelope step would change nothing, so none ever will.
    bool envelopeIsSettled() const {
        if (envelopeRestart) return false;
        VoiceRun next = *this;
        next.advanceEnvelope();
        return sameBits(next.envelopeLevel, envelopeLevel) && next.envelopePhase == envelopePhase;
    }

    // Subtracting 1 from a count of at least 1 is exact, and so is subtracting n at once from a
    // count that stays at 1 or more for the first n - 1 of them: the plan stops where that
    // ends, at the frame in which the step runs out or the gate falls below 1.
    CountPlan planCounting() const {
        if (!(stepSamples < EXACT_COUNT_LIMIT)) return {0, false};
        const std::int64_t stepFrames =
            stepSamples < 2 ? 1 : static_cast<std::int64_t>(stepSamples);
        if (gateSamples >= 1 && gateSamples < EXACT_COUNT_LIMIT) {
            const std::int64_t gateFrames =
                gateSamples < 2 ? 1 : static_cast<std::int64_t>(gateSamples);
            return {stepFrames < gateFrames ? stepFrames : gateFrames, false};
        }
        // A gate already below 1 changes nothing more when tied, or when the key is already
        // off and is not held on; it still counts down frame by frame.
        if (gateSamples < 1 && (tieNext != 0 || (keyOn == 0 && !heldTriangle))) {
            return {stepFrames, true};
        }
        return {0, false};
    }

    // Counts `frames` frames planned by planCounting; the checks of the last one follow.
    // True when the step has run out.
    bool countFrames(int frames, bool gateDrifts) {
        stepSamples = stepSamples - frames;
        if (gateDrifts) {
            for (int frame = 0; frame < frames; ++frame) gateSamples = gateSamples - 1;
        } else {
            gateSamples = gateSamples - frames;
        }
        releaseKeyAtGateEnd();
        return stepSamples < 1;
    }

    // At the end of the gate the key goes off unless the next note is tied; a held triangle
    // keeps its key on at frequency 0 instead.
    void releaseKeyAtGateEnd() {
        if (gateSamples < 1 && tieNext == 0) {
            keyOn = 0;
            if (heldTriangle) {
                frequency = 0.0;
                keyOn = 1;
            }
        }
    }

    // Counts the step and the gate of a running channel; true when the step has run out.
    bool countFrame() {
        stepSamples = stepSamples - 1;
        gateSamples = gateSamples - 1;
        releaseKeyAtGateEnd();
        return stepSamples < 1;
    }
};

VoiceSettings settingsOf(const ChannelState& state, int fromFrame) {
    const auto rightPan = static_cast<std::uint8_t>(16 - state.pan);
    return {fromFrame,
            false,
            false,
            state.filterCoefficient,
            panGains[voiceTableIndex(state.pan)],
            panGains[voiceTableIndex(rightPan)],
            volumeGains[voiceTableIndex(state.volume)],
            0.0};
}

bool sameSettings(const VoiceSettings& a, const VoiceSettings& b) {
    return a.sounding == b.sounding && a.levelVaries == b.levelVaries &&
           std::memcmp(&a.filterCoefficient, &b.filterCoefficient, 5 * sizeof(double)) == 0;
}

// Where the first pass leaves one channel's frames for the second: the raw values and levels
// of sounding frames, and an entry wherever the key, the way the level is kept or a setting
// changes.
class ChannelFrames {
public:
    ChannelFrames(BlockVoices& voices, int channel)
        : voices_(voices), channel_(channel), entries_(voices.settings[channel]),
          count_(voices.settingsCount[channel]), settings_{} {
        count_ = 0;
    }

    void setRaw(int frame, std::int16_t value) { voices_.raw[frame][channel_] = value; }
    // The raw value of `frame`; the next frame's is CHANNEL_COUNT places on.
    std::int16_t* rawAt(int frame) { return &voices_.raw[frame][channel_]; }
    void setLevel(int frame, double level) { voices_.level[frame][channel_] = level; }

    // Takes up what the sequencer may have changed: filter coefficient, pan and volume.
    void readSettings(const ChannelState& state) { settings_ = settingsOf(state, 0); }

    // From `frame` on the frames sound or not; a sounding frame's level is `level`, or in the
    // level array where it varies.
    void mark(int frame, bool sounding, bool levelVaries, double level) {
        VoiceSettings next = settings_;
        next.fromFrame = frame;
        next.sounding = sounding;
        next.levelVaries = sounding && levelVaries;
        next.level = sounding && !levelVaries ? level : 0.0;
        if (count_ > 0) {
            VoiceSettings& last = entries_[count_ - 1];
            if (sameSettings(last, next)) return;
            if (last.fromFrame == frame) {
                last = next;
                return;
            }
        }
        entries_[count_++] = next;
    }

    void finish() {
        bool sounded = false;
        for (int entry = 0; entry < count_; ++entry) sounded = sounded || entries_[entry].sounding;
        voices_.sounded[channel_] = sounded;
    }

private:
    BlockVoices& voices_;
    int channel_;
    VoiceSettings* entries_;
    std::int32_t& count_;
    VoiceSettings settings_;
};

// --- Waveforms, each read once per sounding frame at the phase after the advance ------------

struct PulseWave {
    std::int32_t lowPhases;
    std::int16_t operator()(VoiceRun& run) const { return pulseValue(run.phase, lowPhases); }
};

struct SawtoothWave {
    std::int16_t operator()(VoiceRun& run) const { return sawtoothValue(run.phase); }
};

struct TriangleWave {
    std::int16_t operator()(VoiceRun& run) const { return triangleValue(run.phase, false); }
};

// The stepped triangle has 33 levels; within the cycle they are looked up by step.
struct SteppedTriangleWave {
    static constexpr int LEVELS = 33; // 44099 div 1378 is 32

    const std::int16_t* levels;

    SteppedTriangleWave() : levels(steppedLevels()) {}

    std::int16_t operator()(VoiceRun& run) const {
        if (run.phase >= 0.0 && run.phase < PHASE_CYCLE) {
            return levels[static_cast<std::int32_t>(run.phase) /
                          waveform_constants::TRIANGLE_STEP_PHASES];
        }
        return triangleValue(run.phase, true);
    }

    static const std::int16_t* steppedLevels() {
        static const auto table = [] {
            std::array<std::int16_t, LEVELS> levels{};
            for (int step = 0; step < LEVELS; ++step) {
                levels[static_cast<std::size_t>(step)] =
                    triangleValue(waveform_constants::TRIANGLE_STEP_PHASES * step, true);
            }
            return levels;
        }();
        return table.data();
    }
};

struct SilentWave {
    std::int16_t operator()(VoiceRun&) const { return 0; }
};

// The noise clock in constant time per frame. The clock stays within 0..44100, so after the
// rate is added it lies above `whole` cycles and at most one more; subtracting those cycles at
// once gives exactly what subtracting one cycle at a time gives, since every partial result is
// positive and a whole number of cycles is exact at that magnitude. The register then moves
// that many steps at once.
// The noise clock in whole 1/64 phase units, for a rate and a clock that are such multiples
// (the four fastest rates are): every sum and difference the rule forms is then a multiple of
// 1/64 below 2^19, exact in a double, so the integers give the very same results.
constexpr double FINE_UNITS = 64.0;

bool isWholeFineUnits(double value) {
    const double fine = value * FINE_UNITS;
    return std::floor(fine) == fine;
}

struct FineNoiseClock {
    std::int32_t clock, rate, wholePhases, onePhasesMore, whole;
    int advance() {
        const std::int32_t next = clock + rate;
        const bool oneMore = next > onePhasesMore;
        clock = next - (oneMore ? onePhasesMore : wholePhases);
        return whole + (oneMore ? 1 : 0);
    }
    double phase() const { return clock / FINE_UNITS; }
};

struct NoiseClock {
    double clock, rate, wholePhases, onePhasesMore;
    std::int32_t whole;
    int advance() {
        const double next = clock + rate;
        const bool oneMore = next > onePhasesMore;
        clock = next - (oneMore ? onePhasesMore : wholePhases);
        return whole + (oneMore ? 1 : 0);
    }
    double phase() const { return clock; }
};

// The fastest rate takes at most 11 steps a frame, and a span is at most a block.
static_assert(BLOCK_FRAMES * (static_cast<int>(noiseRates[0] / PHASE_CYCLE) + 1) <=
              NoiseStream::MAX_STEPS);

struct NoiseWave {
    static constexpr bool FILLS_SPANS = true;

    double rate;
    std::uint8_t mode;
    std::int32_t whole;   // cycles the rate surely passes
    double wholePhases;   // whole * 44100
    double onePhasesMore; // (whole + 1) * 44100

    NoiseWave(int family, int variant)
        : rate(noiseRates[variant]), mode(family == FAMILY_LONG_NOISE ? 0 : 1), whole(0),
          wholePhases(0.0), onePhasesMore(PHASE_CYCLE) {
        while ((whole + 1) * PHASE_CYCLE < rate) ++whole;
        wholePhases = whole * PHASE_CYCLE;
        onePhasesMore = (whole + 1) * PHASE_CYCLE;
    }

    std::int16_t operator()(VoiceRun& run) const {
        int steps;
        if (run.noisePhase >= 0.0 && run.noisePhase <= PHASE_CYCLE) {
            const double clock = run.noisePhase + rate;
            const bool oneMore = clock > onePhasesMore;
            run.noisePhase = clock - (oneMore ? onePhasesMore : wholePhases);
            steps = whole + (oneMore ? 1 : 0);
        } else { // a clock set from outside: one cycle at a time, as the rule reads
            run.noisePhase = run.noisePhase + rate;
            steps = 0;
            while (run.noisePhase > PHASE_CYCLE) {
                run.noisePhase = run.noisePhase - PHASE_CYCLE;
                ++steps;
            }
        }
        if (steps > 0) {
            // -6363 for a 1 bit, +6363 for a 0, without a branch on a random bit.
            const int bit = shiftRegister(run, steps);
            run.noiseLevel = static_cast<std::int16_t>(PULSE_LEVEL - 2 * PULSE_LEVEL * bit);
        }
        return run.noiseLevel;
    }

    // The noise of the frames [frame, frame + length), the key on in all of them: the clock
    // first, then the register's bits read from a stream worked out ahead.
    // With `oscillatorFrames`, the oscillator moves on that many frames at run.frequency in
    // the same loop, so that the two running values advance side by side.
    void fill(VoiceRun& run, ChannelFrames& out, int frame, int length,
              int oscillatorFrames = 0) const {
        const std::uint16_t start = mode != run.lastNoiseMode ? 0x4000 : run.noiseRegister;
        const bool clockInRange = run.noisePhase >= 0.0 && run.noisePhase <= PHASE_CYCLE;
        if (!clockInRange || (start & 0x8000u) != 0) { // set from outside: by the rule
            for (int index = frame; index < frame + length; ++index) {
                out.setRaw(index, (*this)(run));
            }
            for (int index = 0; index < oscillatorFrames; ++index) run.advanceOscillator();
            return;
        }
        const NoiseStream stream(start, mode != 0 ? 6 : 1, length * (whole + 1));
        int steps = 0;
        if (isWholeFineUnits(rate) && isWholeFineUnits(run.noisePhase)) {
            FineNoiseClock clock{static_cast<std::int32_t>(run.noisePhase * FINE_UNITS),
                                 static_cast<std::int32_t>(rate * FINE_UNITS),
                                 static_cast<std::int32_t>(wholePhases * FINE_UNITS),
                                 static_cast<std::int32_t>(onePhasesMore * FINE_UNITS), whole};
            steps = fillFrom(clock, stream, run, out.rawAt(frame), length, oscillatorFrames);
            run.noisePhase = clock.phase();
        } else {
            NoiseClock clock{run.noisePhase, rate, wholePhases, onePhasesMore, whole};
            steps = fillFrom(clock, stream, run, out.rawAt(frame), length, oscillatorFrames);
            run.noisePhase = clock.phase();
        }
        if (steps > 0) {
            run.noiseRegister = stream.registerAfter(steps);
            run.lastNoiseMode = mode;
        }
    }

    // Returns the register steps taken; the level of the last frame is left in the run.
    template <typename Clock>
    static int fillFrom(Clock& clock, const NoiseStream& stream, VoiceRun& run, std::int16_t* raw,
                        int length, int oscillatorFrames) {
        int steps = 0;
        int level = run.noiseLevel;
        double phase = run.phase;
        const double frequency = run.frequency;
        for (int index = 0; index < length; ++index) {
            if (index < oscillatorFrames) {
                phase = phase + frequency;
                if (phase >= PHASE_CYCLE) phase = phase - PHASE_CYCLE;
            }
            steps += clock.advance();
            // -6363 for a 1 bit, +6363 for a 0; the level before any step until the first.
            const int next =
                PULSE_LEVEL - 2 * PULSE_LEVEL * static_cast<int>(stream.lastBit(steps));
            level = steps > 0 ? next : level;
            raw[index * CHANNEL_COUNT] = static_cast<std::int16_t>(level);
        }
        run.phase = phase;
        run.noiseLevel = static_cast<std::int16_t>(level);
        return steps;
    }

    // `steps` register steps at once: while no tap reads a bit that entered during the same
    // batch, each new bit is the XOR of two bits of the register as it was.
    int shiftRegister(VoiceRun& run, int steps) const {
        if (mode != run.lastNoiseMode) run.noiseRegister = 0x4000;
        run.lastNoiseMode = mode;
        const int tap = mode != 0 ? 6 : 1;
        const int batchLimit = 15 - tap;
        unsigned value = run.noiseRegister;
        unsigned bit = 0;
        if (value & 0x8000u) { // a bit above the 15 in use: one step at a time
            for (int step = 0; step < steps; ++step) {
                bit = (value ^ (value >> tap)) & 1u;
                value = (value >> 1) | (bit << 14);
            }
        } else {
            while (steps > 0) {
                const int batch = steps < batchLimit ? steps : batchLimit;
                const unsigned bits = (value ^ (value >> tap)) & ((1u << batch) - 1u);
                value = (value >> batch) | (bits << (15 - batch));
                bit = (bits >> (batch - 1)) & 1u;
                steps -= batch;
            }
        }
        run.noiseRegister = static_cast<std::uint16_t>(value);
        return static_cast<int>(bit);
    }
};

// Whether the wave works out a whole span at once (fill) rather than frame by frame.
template <typename Wave> constexpr bool FillsSpans = requires { Wave::FILLS_SPANS; };

// How a run of frames treats the key.
enum class RunKind {
    Sounding, // key on at the start: waveform and levels, until the key goes off
    Resting,  // key off at the start: silent until a step or a held key brings it on
    Idle,     // stopped with the key off: nothing can sound for the rest of the block
};

// One frame exactly as the rules read, counting included. True when the run ends after it:
// the sequencer was called, or a resting key came on.
template <RunKind Kind, typename Wave>
bool runFrameByRule(Engine& engine, int channel, int frame, ChannelFrames& out, VoiceRun& run,
                    const Wave& wave) {
    run.advanceOscillator();
    const bool sounding = Kind == RunKind::Sounding && run.keyOn;
    if (sounding) out.setRaw(frame, wave(run));
    run.advancePitch();
    const double level = run.advanceEnvelope();
    out.mark(frame, sounding, false, level);
    if constexpr (Kind != RunKind::Idle) {
        if (run.active && run.countFrame()) {
            run.storeTo(engine, channel);
            engine.stepEvents(channel);
            return true;
        }
        if constexpr (Kind == RunKind::Resting) {
            if (run.keyOn) {
                run.storeTo(engine, channel);
                return true;
            }
        }
    }
    return false;
}

// A span of frames in which neither the key nor anything the sequencer sets can change, so no
// counting is needed inside it. A steady pitch (no sweep, no vibrato step) is computed once; a
// settled envelope (one step would change nothing) is read once. An envelope still moving
// ends the span early where it enters another stage, so that the rest can be checked again
// for a settled level. Returns the frames run, 1..length.
template <RunKind Kind, bool SteadyPitch, bool SettledEnvelope, typename Wave>
int runSpan(int frame, int length, ChannelFrames& out, VoiceRun& run, const Wave& wave) {
    constexpr bool SOUNDING = Kind == RunKind::Sounding;
    out.mark(frame, SOUNDING, !SettledEnvelope, run.envelopeLevel);
    VoiceRun local = run; // its address never escapes, so its values stay in registers
    const double steadyFrequency = SteadyPitch ? local.pitchNow() : 0.0;
    if constexpr (SOUNDING && FillsSpans<Wave> && SteadyPitch && SettledEnvelope) {
        // Only the oscillator moves besides the noise: the first frame at the pitch the record
        // holds, the others at the steady pitch, inside the noise's own loop.
        local.advanceOscillator();
        local.frequency = steadyFrequency;
        wave.fill(local, out, frame, length, length - 1);
        local.skipVibratoCounters(length);
        run = local;
        return length;
    }
    const std::uint8_t stage = local.envelopeRestart ? 0xFF : local.envelopePhase;
    int index = frame;
    while (index < frame + length) {
        local.advanceOscillator();
        if constexpr (SOUNDING && !FillsSpans<Wave>) out.setRaw(index, wave(local));
        if constexpr (SteadyPitch) {
            local.frequency = steadyFrequency;
        } else {
            local.advancePitch();
        }
        if constexpr (!SettledEnvelope) {
            const double level = local.advanceEnvelope();
            if constexpr (SOUNDING) out.setLevel(index, level);
        }
        ++index;
        if constexpr (!SettledEnvelope) {
            if (local.envelopePhase != stage) break;
        }
    }
    const int done = index - frame;
    // The noise touches nothing else the frames do, so it may run after them.
    if constexpr (SOUNDING && FillsSpans<Wave>) wave.fill(local, out, frame, done);
    if constexpr (SteadyPitch) local.skipVibratoCounters(done);
    run = local;
    return done;
}

template <RunKind Kind, typename Wave>
int runSpanFor(int frame, int length, ChannelFrames& out, VoiceRun& run, const Wave& wave) {
    const bool steady = run.pitchIsSteady();
    const bool settled = run.envelopeIsSettled();
    if (steady && settled) return runSpan<Kind, true, true>(frame, length, out, run, wave);
    if (steady) return runSpan<Kind, true, false>(frame, length, out, run, wave);
    if (settled) return runSpan<Kind, false, true>(frame, length, out, run, wave);
    return runSpan<Kind, false, false>(frame, length, out, run, wave);
}

// Runs frames from `frame` until the block ends, the sequencer has been called, the key went
// off (sounding) or came on (resting). Returns the next frame to run.
template <RunKind Kind, typename Wave>
int runFrames(Engine& engine, int channel, int frame, int frames, ChannelFrames& out, VoiceRun& run,
              const Wave& wave) {
    while (frame < frames) {
        if constexpr (Kind == RunKind::Sounding) {
            if (!run.keyOn) break;
        }
        int length = frames - frame;
        const bool counting = Kind != RunKind::Idle && run.active;
        CountPlan plan{};
        if (counting) {
            plan = run.planCounting();
            if (plan.frames == 0) {
                if (runFrameByRule<Kind>(engine, channel, frame, out, run, wave)) {
                    return frame + 1;
                }
                ++frame;
                continue;
            }
            if (plan.frames < length) length = static_cast<int>(plan.frames);
        }
        // Counting fewer frames than planned is as exact: the counts stay at 1 or more.
        const int done = runSpanFor<Kind>(frame, length, out, run, wave);
        frame += done;
        if (counting && run.countFrames(done, plan.gateDrifts)) {
            run.storeTo(engine, channel);
            engine.stepEvents(channel);
            return frame;
        }
        if constexpr (Kind == RunKind::Resting) {
            if (run.keyOn) break;
        }
    }
    run.storeTo(engine, channel);
    return frame;
}

template <RunKind Kind>
int runWithWave(Engine& engine, int channel, int frame, int frames, ChannelFrames& out,
                VoiceRun& run) {
    const std::uint8_t instrument = engine.channels[channel].instrument;
    const int family = instrumentFamily(instrument);
    const int variant = instrumentVariant(instrument);
    if constexpr (Kind != RunKind::Sounding) {
        return runFrames<Kind>(engine, channel, frame, frames, out, run, SilentWave{});
    }
    switch (family) {
    case FAMILY_SHORT_PULSE:
    case FAMILY_PULSE:
        return runFrames<Kind>(engine, channel, frame, frames, out, run,
                               PulseWave{pulseLowPhases(family, variant)});
    case FAMILY_SAWTOOTH:
        return runFrames<Kind>(engine, channel, frame, frames, out, run, SawtoothWave{});
    case FAMILY_TRIANGLE:
        if (variant >= 8) {
            return runFrames<Kind>(engine, channel, frame, frames, out, run, SteppedTriangleWave{});
        }
        return runFrames<Kind>(engine, channel, frame, frames, out, run, TriangleWave{});
    case FAMILY_LONG_NOISE:
    case FAMILY_SHORT_NOISE:
        return runFrames<Kind>(engine, channel, frame, frames, out, run,
                               NoiseWave(family, variant));
    default: return runFrames<Kind>(engine, channel, frame, frames, out, run, SilentWave{});
    }
}

} // namespace

bool onlyOscillatorMoves(const Engine& engine, int channel) {
    const VoiceRun run(engine, channel);
    return !run.active && !run.keyOn && run.pitchIsSteady() && run.envelopeIsSettled();
}

void advanceIdleOscillators(Engine& engine, const int* idleChannels, int count, int frames,
                            BlockVoices& voices) {
    if (count == 0) return;
    // Pairs of phases in the processor's own 128-bit vectors, side by side; a lane without a
    // channel stands still at 0.
    using Pair = double __attribute__((vector_size(2 * sizeof(double))));
    constexpr int PAIRS = CHANNEL_COUNT / 2;
    Pair phases[PAIRS] = {};
    Pair frequencies[PAIRS] = {};
    for (int lane = 0; lane < count; ++lane) {
        const int channel = idleChannels[lane];
        VoiceRun run(engine, channel);
        // The first frame still moves at the pitch the record holds; from then on at the pitch
        // the frame loop computes, which cannot change.
        run.advanceOscillator();
        run.frequency = run.pitchNow();
        run.skipVibratoCounters(frames);
        run.storeTo(engine, channel);
        phases[lane / 2][lane % 2] = run.phase;
        frequencies[lane / 2][lane % 2] = run.frequency;
        voices.settings[channel][0] = settingsOf(engine.channels[channel], 0);
        voices.settingsCount[channel] = 1;
        voices.sounded[channel] = false;
    }
    const Pair cycle = {PHASE_CYCLE, PHASE_CYCLE};
    const int pairs = (count + 1) / 2;
    for (int frame = 1; frame < frames; ++frame) {
        for (int pair = 0; pair < PAIRS; ++pair) {
            if (pair >= pairs) break;
            Pair next = phases[pair] + frequencies[pair];
            phases[pair] = next >= cycle ? next - cycle : next;
        }
    }
    for (int lane = 0; lane < count; ++lane) {
        engine.channels[idleChannels[lane]].phase = phases[lane / 2][lane % 2];
    }
}

void runVoiceFrames(Engine& engine, int channel, int frames, BlockVoices& voices) {
    const ChannelState& state = engine.channels[channel];
    ChannelFrames out(voices, channel);
    int frame = 0;
    while (frame < frames) {
        // The sequencer may have changed what the second pass reads from this frame on.
        out.readSettings(state);
        VoiceRun run(engine, channel);
        if (run.keyOn) {
            frame = runWithWave<RunKind::Sounding>(engine, channel, frame, frames, out, run);
        } else if (run.active) {
            frame = runWithWave<RunKind::Resting>(engine, channel, frame, frames, out, run);
        } else {
            frame = runWithWave<RunKind::Idle>(engine, channel, frame, frames, out, run);
        }
    }
    out.finish();
}

} // namespace chimora
