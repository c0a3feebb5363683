// A wave output device as the render loop uses it: two blocks take turns at the device, and the
// loop waits until the block it wants to refill is free again, fills it and hands it over.
// Implementations: winmm (Windows), ALSA (Linux), the null device (no sound, real-time pace);
// the tests have one that plays blocks on demand.
//
// Threads: open and close come from the window thread while no render thread runs; play and
// waitUntilFree from the render thread only (they must not allocate); stop from any thread.
#pragma once

#include "pcm_format.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace chimora {

// The two blocks of interleaved samples that the render loop fills in turn. The memory stays
// the caller's and must live until close().
struct PcmBlocks {
    std::int16_t* data[2] = {nullptr, nullptr};
    std::int32_t lengthBytes = 0;
};

// How a wait for a free block ended.
enum class BlockWait {
    free,     // the device is done with the block: it may be filled and played again
    stopped,  // stop() was called (before or during the wait)
    timedOut, // the device handed nothing back within the limit (or is not open)
    failed,   // the device failed while playing; errorText() says why
};

class WaveDevice {
public:
    virtual ~WaveDevice() = default;

    // Opens the output for `format`, streaming from `blocks`, and takes back an earlier stop().
    // False when the device cannot be opened; errorText() then says why, and waits on the
    // device time out (or end with stop()).
    virtual bool open(const PcmFormat& format, const PcmBlocks& blocks) = 0;
    // Queues block 0 or 1 behind any block already queued; it plays once. The block must not
    // be changed until waitUntilFree has returned `free` for it. Never blocks.
    virtual void play(int blockIndex) = 0;
    // Waits until the device is done with the block (at once for a block not played since
    // open), for at most `limit`. A block that is free also leaves room to play it again at
    // once, so a loop that alternates the blocks keeps one playing and one queued.
    virtual BlockWait waitUntilFree(int blockIndex, std::chrono::milliseconds limit) = 0;
    // Makes a wait in progress, and every later one until the next open, return `stopped`
    // at once. Output already queued is left to close().
    virtual void stop() = 0;
    // Stops output, hands every block back and closes the device; harmless when not open.
    virtual void close() = 0;
    // Why the last open failed, or why the device failed while playing: for a message to the
    // user. Window thread, once the render thread has ended.
    virtual std::string errorText() const = 0;
};

} // namespace chimora
