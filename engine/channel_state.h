// The record of one of the eight channels: sequencer position, the parameters that events set,
// and the voice's running state. Default member values are the program's start-up values.
#pragma once

#include <cstdint>

namespace chimora {

constexpr int CHANNEL_COUNT = 8;

// True for a channel number 0..7. The operations that take a channel number from a caller do
// nothing for any other number (a negative one included) instead of touching memory beside
// the eight records.
constexpr bool isChannelNumber(int channel) { return channel >= 0 && channel < CHANNEL_COUNT; }
// Repeat bookkeeping is indexed by depth: 0 is never used, 1..4 are, 5 only by the overflow.
constexpr int REPEAT_SLOTS = 6;

// clang-format off
struct ChannelState {
    std::uint8_t instrument = 0;   // high nibble waveform family, low nibble variant
    std::int8_t transpose = 0;     // semitones added to every note number
    std::int32_t tempo = 0;        // hundredths of beats per minute; a beat is 48 ticks
    double attackRate = 0.0;       // envelope rise per sample
    double decayRate = 0.0;        // envelope fall per sample
    double sustainLevel = 0.0;     // level at which the decay stops, 0..1
    std::uint8_t envelopeRestart = 0;
    double envelopeLevel = 0.0;
    std::uint8_t envelopePhase = 0; // 0 attack, 1 decay, 2 sustain
    std::uint8_t keyOn = 0;
    std::uint8_t active = 0;       // the sequencer runs
    std::int32_t noteCount = 0;    // notes started since the start, plus one per loop taken
    double stepSamples = 0.0;      // samples left in the current step
    std::uint8_t tieNext = 0;
    double gateSamples = 0.0;      // samples left until the key goes off
    std::uint8_t gate = 0;         // key-on time in eighths of the step
    std::int8_t detune = 0;        // cents; kept across starts
    std::uint8_t volume = 0;       // index into volumeGains, 0..15
    std::uint8_t* events = nullptr; // the channel's own event buffer
    // Positions are byte offsets into `events`.
    std::int32_t readPos = 0;
    std::int32_t loopPoint = 0;
    std::int32_t loopPasses = 0;   // times the channel went back to its loop point since its start
    std::int32_t repeatStart[REPEAT_SLOTS] = {};
    std::int32_t repeatEnd[REPEAT_SLOTS] = {};
    std::uint8_t repeatTimes[REPEAT_SLOTS] = {}; // 255 until the section's end has been met
    std::int32_t repeatPass[REPEAT_SLOTS] = {};
    std::int32_t repeatDepth = 0;
    std::int32_t vibratoDelayLeft = 0; // samples
    std::int32_t vibratoDelay = 0;     // samples, copied to vibratoDelayLeft at key-on
    std::uint8_t textOwned = 0;
    double phase = 0.0;            // oscillator phase, 0..44100
    double baseFrequency = 0.0;    // Hz
    double frequency = 0.0;        // Hz, with sweep and vibrato
    double sweepRate = 0.0;        // Hz per sample
    double sweepOffset = 0.0;      // Hz
    double vibratoRate = 0.0;      // Hz per sample
    double vibratoStep = 0.0;      // Hz per sample, sign flips at each turn
    double vibratoOffset = 0.0;    // Hz
    std::int32_t vibratoCounter = 0; // samples to the next turn
    double noisePhase = 0.0;
    std::int16_t noiseLevel = 0;
    double filterLeft = 0.0;
    double filterRight = 0.0;
    std::uint8_t pan = 0;          // 1..15, 8 centre
    double filterCoefficient = 0.0;
    double mixGain = 1.0;
};
// clang-format on

} // namespace chimora
