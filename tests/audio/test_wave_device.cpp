#include "test_wave_device.h"

namespace chimora::testing {

bool TestWaveDevice::open(const PcmFormat& openFormat, const PcmBlocks& openBlocks) {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("open");
    stopRequested = false;
    failed = false;
    if (opensFail) {
        problem = "the test device refuses to open";
        return false;
    }
    problem.clear();
    deviceOpen = true;
    format = openFormat;
    blocks = openBlocks;
    return true;
}

void TestWaveDevice::play(int blockIndex) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        recordCall("play " + std::to_string(blockIndex));
        ++plays;
        if (!deviceOpen || failed) return;
        if (isQueued(blockIndex)) ++faults; // played twice without coming back
        queue.push_back({blockIndex, contentOf(blockIndex)});
    }
    changed.notify_all();
}

BlockWait TestWaveDevice::waitUntilFree(int blockIndex, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex);
    const auto waitEnds = [&] { return stopRequested || failed || !isQueued(blockIndex); };
    waitBlocked = !waitEnds();
    changed.notify_all();
    // A device that is not open never hands anything back.
    const bool ended = deviceOpen ? changed.wait_for(lock, limit, waitEnds)
                                  : changed.wait_for(lock, limit, [&] { return stopRequested; });
    waitBlocked = false;
    if (stopRequested) return BlockWait::stopped;
    if (failed) return BlockWait::failed;
    return ended ? BlockWait::free : BlockWait::timedOut;
}

void TestWaveDevice::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        recordCall("stop");
        stopRequested = true;
    }
    changed.notify_all();
}

void TestWaveDevice::close() {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("close");
    queue.clear();
    deviceOpen = false;
}

std::string TestWaveDevice::errorText() const {
    std::lock_guard<std::mutex> lock(mutex);
    return problem;
}

bool TestWaveDevice::playBlock(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!changed.wait_for(lock, timeout, [this] { return !queue.empty(); })) return false;
    Queued& oldest = queue.front();
    // The block must be exactly what was played: the render thread may not touch it until
    // the device hands it back.
    Block content = contentOf(oldest.blockIndex);
    if (content != oldest.contentWhenPlayed) ++faults;
    played.push_back(std::move(content));
    queue.pop_front();
    waitBlocked = false; // the loop waits for the oldest block, which this hands back
    lock.unlock();
    changed.notify_all();
    return true;
}

bool TestWaveDevice::waitForPlays(int count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return plays >= count; });
}

bool TestWaveDevice::waitForBlockedWait(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return waitBlocked; });
}

std::vector<Block> TestWaveDevice::playedBlocks() const {
    std::lock_guard<std::mutex> lock(mutex);
    return played;
}

std::vector<std::string> TestWaveDevice::calls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return callLog;
}

int TestWaveDevice::playCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return plays;
}

int TestWaveDevice::protocolFaults() const {
    std::lock_guard<std::mutex> lock(mutex);
    return faults;
}

bool TestWaveDevice::isOpen() const {
    std::lock_guard<std::mutex> lock(mutex);
    return deviceOpen;
}

PcmFormat TestWaveDevice::openedFormat() const {
    std::lock_guard<std::mutex> lock(mutex);
    return format;
}

void TestWaveDevice::failOpens(bool fail) {
    std::lock_guard<std::mutex> lock(mutex);
    opensFail = fail;
}

void TestWaveDevice::failWhilePlaying() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        failed = true;
        waitBlocked = false;
        problem = "the test device was unplugged";
    }
    changed.notify_all();
}

Block TestWaveDevice::contentOf(int blockIndex) const {
    const std::int16_t* data = blocks.data[blockIndex];
    return Block(data, data + blocks.lengthBytes / 2);
}

bool TestWaveDevice::isQueued(int blockIndex) const {
    for (const Queued& queued : queue) {
        if (queued.blockIndex == blockIndex) return true;
    }
    return false;
}

void TestWaveDevice::recordCall(std::string call) { callLog.push_back(std::move(call)); }

} // namespace chimora::testing
