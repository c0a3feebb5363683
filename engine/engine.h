// The music engine: eight channels that turn MML text into 16-bit stereo PCM at 44,100 frames
// per second. All state lives in this one object; the program holds one, tests make their own.
// Nothing here allocates after construction except the channel texts of a song load.
//
// Threads: the engine takes no lock, so tests and the offline renderer drive it directly. Where
// a render thread mixes while the window thread changes channels, both go through one
// LockedEngine (locked_engine.h), whose every operation holds the engine lock. masterGain alone
// is atomic and may be read while it is set.
#pragma once

#include "channel_state.h"
#include "event_codes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace chimora {

constexpr int SAMPLE_RATE = 44100;
constexpr int BLOCK_FRAMES = 1500;
constexpr int BLOCK_SAMPLES = BLOCK_FRAMES * 2; // interleaved left, right
constexpr int BLOCK_BYTES = BLOCK_FRAMES * 4;

struct BlockVoices;

struct StereoSample {
    std::int16_t left;
    std::int16_t right;
};

class Engine {
public:
    // Brings the engine to its start-up state: buffers allocated, all channels stopped.
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Every operation that takes a channel number does nothing (and a query gives 0) for a
    // number outside 0..7, a negative one included; voiceSample and envelopeStep, called once
    // per frame from renderChannel, take 0..7 only.

    // --- Event buffers and channel records -------------------------------------------------
    // Zero-fills the eight 2048-byte buffers, points each channel at its own, byte 0 = EV_END.
    void allocateEventBuffers();
    // Detaches the buffers from the channels, channel 7 first; the storage lives in the object.
    void freeEventBuffers();
    // Number of channels whose sequencer runs (0..8).
    std::uint8_t countActiveChannels() const;
    // Writes EV_END at byte 0 of the channel's buffer; a running channel keeps running.
    void clearChannelEvents(int channel);
    void clearAllEvents();

    // --- MML compiler ---------------------------------------------------------------------
    // Compiles a NUL-terminated MML text into the channel's event buffer. Refuses a channel
    // outside 0..7 and a channel whose sequencer runs. A text with no event leaves byte 0 alone.
    void compileChannel(int channel, const char* text);

    // --- Sequencer ------------------------------------------------------------------------
    // Length of `ticks` at the channel's tempo, in samples (not rounded).
    double stepLengthSamples(int channel, std::uint8_t ticks) const;
    // Frequency in Hz of a note number shifted by cents (linear between semitones).
    static double noteFrequency(std::uint8_t note, std::int16_t cents);
    // Interprets events up to and including the next note or rest, or until the channel stops.
    void stepEvents(int channel);
    void resetEnvelope(int channel);
    // Resets the channel (tempo 165, volume 13, gate 8, ...) and interprets its first step.
    void startChannel(int channel);
    void startAllChannels();
    // Key off, sequencer off, EV_STREAM_END at byte 0, read position and loop point to 0.
    void stopChannel(int channel);
    void stopAllChannels();

    // --- Voice generator (render thread) --------------------------------------------------
    // Renders frames k while 4k < lengthBytes into `out` (interleaved left, right).
    void renderChannel(int channel, std::int16_t* out, std::int32_t lengthBytes);
    // One raw stereo pair: oscillator, waveform, low-pass filter and pan.
    StereoSample voiceSample(int channel);
    // Advances the channel's envelope by one frame and returns its level.
    double envelopeStep(int channel, std::uint8_t restart);
    // Steps the shared noise register; mode 0 long, 1 short. Returns the feedback bit.
    std::uint8_t noiseShift(std::uint8_t mode);

    // --- Mixer ----------------------------------------------------------------------------
    // Fills the 6000-byte block with the eight channels mixed at mixGain, then masterGain.
    // lengthBytes is handed to renderChannel unchanged.
    void mixBlock(std::int16_t* block, std::int32_t lengthBytes);
    // Stores a gain of 0 or more; a negative gain or NaN is ignored.
    void setMasterGain(double gain);
    // While countWrappedSamples is set, mixBlock adds to wrappedSamples every sample of the
    // block that wrapped around: whose channel sum, or whose product with the master gain, lay
    // outside -32768..32767. The samples are the same either way; counting takes a plainer and
    // slower mixing path, so only the offline renderer turns it on.
    bool countWrappedSamples = false;
    std::uint64_t wrappedSamples = 0;

    // --- Song files and channel texts (window thread) --------------------------------------
    // Gives the channel a new empty text (releasing any it held) and marks it held.
    void makeChannelTextEmpty(int channel);
    void makeAllTextsEmpty();
    // Appends a NUL-terminated piece to the channel's text.
    void appendChannelText(int channel, const char* piece);
    // Releases the channel's text if it holds one; the render thread also calls
    // releaseAllTexts when it ends.
    void releaseChannelText(int channel);
    void releaseAllTexts();
    // Compiles the eight channel texts and starts all channels, unless a channel is running.
    void compileAndStartAll();
    // Splits a song file's bytes into channel texts, compiles and starts them.
    // data[length] must be readable; it is never part of a text.
    void loadSong(const std::uint8_t* data, std::size_t length);

    // --- State ----------------------------------------------------------------------------
    ChannelState channels[CHANNEL_COUNT];
    std::uint8_t eventBuffers[CHANNEL_COUNT][EVENT_BUFFER_BYTES];
    std::string channelText[CHANNEL_COUNT];
    std::uint16_t noiseRegister = 0x4000; // low 15 bits used, shared by every noise channel
    std::uint8_t lastNoiseMode = 0;
    std::atomic<double> masterGain{1.0};
    // The mixer's working storage for one block, allocated once with the engine.
    std::unique_ptr<BlockVoices> blockVoices;
    // Lets the sequencer skip repeat passes that cannot change anything (see stepEvents);
    // tests clear it to compare with interpreting every pass.
    bool skipRepeatedPasses = true;
};

} // namespace chimora
