// The few calls the render loop makes of a wave output device. Each platform provides one
// implementation (winmm, ALSA); the tests have their own that plays blocks on demand.
//
// Threads: open, prepare, unprepare, reset and close come from the window thread while no
// render thread runs; write comes from the render thread and must neither block nor allocate.
#pragma once

#include "block_event.h"
#include "pcm_format.h"

#include <cstdint>
#include <string>

namespace chimora {

class WaveDevice {
public:
    virtual ~WaveDevice() = default;

    // Opens the default output for `format`. From then on the device signals `blockDone` once
    // for the opening and once for every block it has finished with. False when no device
    // could be opened; the event is then never signalled and errorText() says why.
    virtual bool open(const PcmFormat& format, BlockEvent& blockDone) = 0;
    // Makes block 0 or 1 (lengthBytes of interleaved samples at `data`) usable by write().
    // The memory stays the caller's and must live until unprepare().
    virtual void prepare(int blockIndex, const std::int16_t* data, std::int32_t lengthBytes) = 0;
    virtual void unprepare(int blockIndex) = 0;
    // Queues a prepared block behind any block already queued; it plays once. The block must
    // not be changed until the device has signalled that it is done with it.
    virtual void write(int blockIndex) = 0;
    // Stops output and hands every queued block back as finished (signalling the event).
    virtual void reset() = 0;
    // Closes the device; harmless when it is not open.
    virtual void close() = 0;
    // What went wrong in the last failed open, for a message to the user.
    virtual std::string errorText() const = 0;
};

} // namespace chimora
