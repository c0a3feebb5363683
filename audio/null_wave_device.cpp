#include "null_wave_device.h"

#include <algorithm>

namespace chimora {

bool NullWaveDevice::open(const PcmFormat& format, const PcmBlocks& blocks) {
    std::lock_guard<std::mutex> lock(mutex);
    const double seconds =
        static_cast<double>(blocks.lengthBytes) / static_cast<double>(format.averageBytesPerSecond);
    blockTime = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    lastDone = Clock::now();
    doneAt[0] = doneAt[1] = Clock::time_point{};
    stopRequested = false;
    isOpen = true;
    return true;
}

void NullWaveDevice::play(int blockIndex) {
    std::lock_guard<std::mutex> lock(mutex);
    if (!isOpen) return;
    lastDone = std::max(lastDone, Clock::now()) + blockTime;
    doneAt[blockIndex] = lastDone;
}

BlockWait NullWaveDevice::waitUntilFree(int blockIndex, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex);
    const Clock::time_point deadline = Clock::now() + limit;
    // A device that is not open never hands anything back.
    const Clock::time_point done = isOpen ? doneAt[blockIndex] : Clock::time_point::max();
    if (stopped.wait_until(lock, std::min(done, deadline), [this] { return stopRequested; })) {
        return BlockWait::stopped;
    }
    return done <= deadline ? BlockWait::free : BlockWait::timedOut;
}

void NullWaveDevice::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopRequested = true;
    }
    stopped.notify_all();
}

void NullWaveDevice::close() {
    std::lock_guard<std::mutex> lock(mutex);
    isOpen = false;
}

std::string NullWaveDevice::errorText() const { return {}; }

} // namespace chimora
