// The mixer works in two passes over a block. The first runs each channel's voice in channel
// order (oscillator, waveform, noise, pitch, envelope and the sequencer) and leaves, per frame,
// the raw waveform value and the envelope level; the second runs the filter, pan, volume and
// conversions of all channels side by side. Splitting there keeps every floating-point
// operation and its order: the filter is each channel's own, the 16-bit sum wraps the same in
// any order, and the shared noise register is still stepped channel after channel.
// Internal to the engine; render thread only.
#pragma once

#include "engine.h"

#include <atomic>
#include <cstdint>

namespace chimora {

// What the second pass needs to know of a channel from `fromFrame` to the next entry: the
// settings the sequencer sets, whether the key is on, and the envelope level when it holds
// still over those frames.
struct VoiceSettings {
    std::int32_t fromFrame;
    bool sounding;    // the key is on: the frames run the filter; off: silent, filter untouched
    bool levelVaries; // the level of each frame is in BlockVoices::level, else in `level`
    double filterCoefficient;
    double panLeft;    // panGains of the left side
    double panRight;   // panGains of the right side
    double volumeGain; // volumeGains[volume]
    double level;      // the envelope level of every frame, unless levelVaries
};

// The first pass leaves a few bytes per channel and frame, so that all of them stay in the
// processor's first-level cache for the second pass.
struct BlockVoices {
    // raw[frame][channel]: the waveform value (always a 16-bit sample), written for sounding
    // frames only.
    alignas(64) std::int16_t raw[BLOCK_FRAMES][CHANNEL_COUNT];
    // level[frame][channel]: the envelope level, written only where it varies.
    alignas(64) double level[BLOCK_FRAMES][CHANNEL_COUNT];
    // Each channel's entries over the block, in frame order; the first starts at frame 0.
    VoiceSettings settings[CHANNEL_COUNT][BLOCK_FRAMES + 1];
    std::int32_t settingsCount[CHANNEL_COUNT];
    // Whether the channel's key was on in any frame; a channel that stayed silent leaves its
    // filter as it was.
    bool sounded[CHANNEL_COUNT];
};

// First pass: runs `frames` (1..BLOCK_FRAMES) frames of the channel's voice and sequencer,
// filling the channel's column of raw and level, its entries and its sounded flag.
void runVoiceFrames(Engine& engine, int channel, int frames, BlockVoices& voices);

// True for a stopped channel with its key off, a steady pitch and a settled envelope: for the
// whole block only its oscillator moves, independently of every other channel.
bool onlyOscillatorMoves(const Engine& engine, int channel);

// The first pass for such channels (listed in `idleChannels`), their oscillators run side by
// side; they are left unsounded for the second pass.
void advanceIdleOscillators(Engine& engine, const int* idleChannels, int count, int frames,
                            BlockVoices& voices);

// Second pass for one channel alone: filter, pan, volume and envelope of the first pass's
// frames, written interleaved left, right to `out`.
void writeChannelFrames(ChannelState& state, int channel, int frames, const BlockVoices& voices,
                        std::int16_t* out);

// Whether the second pass runs the channels side by side in 512-bit vectors: true where the
// processor can. Tests switch it off to check the plain path too.
bool& wideMixing();

// Second pass for all channels: the block (zero-filled by the caller) receives the wrapped sum
// of every channel's samples at its mixGain.
void mixChannelFrames(Engine& engine, int frames, const BlockVoices& voices, std::int16_t* block);

// Scales every sample of the block by the master gain, truncating and wrapping. The gain is
// read again every few samples, so a change made meanwhile takes effect mid-block.
void applyMasterGain(std::int16_t* block, const std::atomic<double>& masterGain);

} // namespace chimora
