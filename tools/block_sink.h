// Where the renderer's mixed blocks go: a WAV file, raw samples on standard output, or any
// other output added later. The render loop hands every block over in order.
#pragma once

#include <cstdint>
#include <string>

namespace chimora {

class BlockSink {
public:
    virtual ~BlockSink() = default;
    // Takes one mixed block of `frames` frames (1..BLOCK_FRAMES; only the last block of a
    // render is shorter): 2 x frames interleaved samples, left first. False on failure.
    virtual bool writeBlock(const std::int16_t* samples, int frames) = 0;
    // Completes the output after the last block. False on failure.
    virtual bool finish() = 0;
    // What went wrong, once writeBlock or finish has returned false.
    virtual std::string failure() const = 0;
};

} // namespace chimora
