// A wave device for tests: written blocks wait in a queue until the test plays them, one at a
// time, the way a sound card would at its own pace. It records every call and every block it
// played, and counts protocol faults (a block rewritten while the device still held it).
#pragma once

#include "wave_device.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace chimora::testing {

using Block = std::vector<std::int16_t>;

class TestWaveDevice final : public WaveDevice {
public:
    bool open(const PcmFormat& format, BlockEvent& blockDone) override;
    void prepare(int blockIndex, const std::int16_t* data, std::int32_t lengthBytes) override;
    void unprepare(int blockIndex) override;
    void write(int blockIndex) override;
    void reset() override;
    void close() override;
    std::string errorText() const override;

    // Test side, any thread. Plays the oldest queued block: records it and hands it back.
    // False when no block was queued within `timeout`.
    bool playBlock(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until `count` writes have reached the device in all.
    bool waitForWrites(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5));

    std::vector<Block> playedBlocks() const;
    std::vector<std::string> calls() const; // "open", "write 0", "reset", ...
    int writeCount() const;
    int protocolFaults() const;
    bool isOpen() const;
    PcmFormat openedFormat() const;

    // Makes the next opens fail, like a machine without a sound card (or, with false, lets
    // them succeed again, like a device plugged back in).
    void failOpens(bool fail = true);

private:
    struct Prepared {
        const std::int16_t* data = nullptr;
        std::int32_t lengthBytes = 0;
    };
    struct Queued {
        int blockIndex;
        Block contentWhenWritten;
    };

    Block contentOf(int blockIndex) const;
    void recordCall(std::string call);

    mutable std::mutex mutex;
    std::condition_variable changed;
    BlockEvent* blockDone = nullptr;
    bool opensFail = false;
    bool deviceOpen = false;
    PcmFormat format;
    Prepared prepared[2];
    std::deque<Queued> queue;
    std::vector<Block> played;
    std::vector<std::string> callLog;
    int writes = 0;
    int faults = 0;
};

} // namespace chimora::testing
