// A wave device that plays no sound but takes the blocks at the pace a sound card would: each
// block is done one block-time after it starts, and it starts when the block before it is done
// (or at once when nothing plays). For running the loop where sound is not wanted or there is
// no sound card. See wave_device.h for who may call what.
#pragma once

#include "wave_device.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace chimora {

class NullWaveDevice final : public WaveDevice {
public:
    bool open(const PcmFormat& format, const PcmBlocks& blocks) override;
    void play(int blockIndex) override;
    BlockWait waitUntilFree(int blockIndex, std::chrono::milliseconds limit) override;
    void stop() override;
    void close() override;
    std::string errorText() const override;

private:
    using Clock = std::chrono::steady_clock;

    std::mutex mutex;
    std::condition_variable stopped;
    bool stopRequested = false;
    bool isOpen = false;
    Clock::duration blockTime{};
    Clock::time_point lastDone{};
    Clock::time_point doneAt[2]{};
};

} // namespace chimora
