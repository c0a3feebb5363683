// A wave device for tests: played blocks wait in a queue until the test plays them, one at a
// time, the way a sound card would at its own pace. It records every call and every block it
// played, and counts protocol faults (a block changed or played again while the device still
// held it).
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
    bool open(const PcmFormat& format, const PcmBlocks& blocks) override;
    void play(int blockIndex) override;
    BlockWait waitUntilFree(int blockIndex, std::chrono::milliseconds limit) override;
    void stop() override;
    void close() override;
    std::string errorText() const override;

    // Test side, any thread. Plays the oldest queued block: records it and hands it back.
    // False when no block was queued within `timeout`.
    bool playBlock(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until `count` plays have reached the device in all.
    bool waitForPlays(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Waits until the render thread waits for a free block that is still queued.
    bool waitForBlockedWait(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    std::vector<Block> playedBlocks() const;
    std::vector<std::string> calls() const; // "open", "play 0", "stop", "close", ...
    int playCount() const;
    int protocolFaults() const;
    bool isOpen() const;
    PcmFormat openedFormat() const;

    // Makes the next opens fail, like a machine without a sound card (or, with false, lets
    // them succeed again, like a device plugged back in).
    void failOpens(bool fail = true);
    // Fails the open device, as an unplugged one does while playing: waits report it.
    void failWhilePlaying();

private:
    struct Queued {
        int blockIndex;
        Block contentWhenPlayed;
    };

    Block contentOf(int blockIndex) const;
    bool isQueued(int blockIndex) const;
    void recordCall(std::string call);

    mutable std::mutex mutex;
    std::condition_variable changed;
    bool opensFail = false;
    bool deviceOpen = false;
    bool failed = false;
    bool stopRequested = false;
    bool waitBlocked = false;
    PcmFormat format;
    PcmBlocks blocks;
    std::deque<Queued> queue;
    std::vector<Block> played;
    std::vector<std::string> callLog;
    std::string problem;
    int plays = 0;
    int faults = 0;
};

} // namespace chimora::testing
