#include "test_wave_device.h"

namespace chimora::testing {

// The event is signalled under the device's lock, so that once close() has returned no signal
// can reach an event its owner may already have destroyed (winmm promises the same).
bool TestWaveDevice::open(const PcmFormat& openFormat, BlockEvent& event) {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("open");
    if (opensFail) return false;
    deviceOpen = true;
    format = openFormat;
    blockDone = &event;
    event.signal();
    return true;
}

void TestWaveDevice::prepare(int blockIndex, const std::int16_t* data, std::int32_t lengthBytes) {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("prepare " + std::to_string(blockIndex));
    prepared[blockIndex] = {data, lengthBytes};
}

void TestWaveDevice::unprepare(int blockIndex) {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("unprepare " + std::to_string(blockIndex));
    for (const Queued& queued : queue) {
        if (queued.blockIndex == blockIndex) ++faults; // still held by the device
    }
    prepared[blockIndex] = {};
}

void TestWaveDevice::write(int blockIndex) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        recordCall("write " + std::to_string(blockIndex));
        ++writes;
        if (!deviceOpen || prepared[blockIndex].data == nullptr) return;
        for (const Queued& queued : queue) {
            if (queued.blockIndex == blockIndex) ++faults; // written twice without coming back
        }
        queue.push_back({blockIndex, contentOf(blockIndex)});
    }
    changed.notify_all();
}

void TestWaveDevice::reset() {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("reset");
    queue.clear();
    if (deviceOpen) blockDone->signal();
}

void TestWaveDevice::close() {
    std::lock_guard<std::mutex> lock(mutex);
    recordCall("close");
    if (!queue.empty()) ++faults; // winmm refuses to close with a block queued
    deviceOpen = false;
    blockDone = nullptr;
}

std::string TestWaveDevice::errorText() const { return "the test device refuses to open"; }

bool TestWaveDevice::playBlock(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!changed.wait_for(lock, timeout, [this] { return !queue.empty(); })) return false;
    Queued& oldest = queue.front();
    // The block must be exactly what was written: the render thread may not touch it until
    // the device hands it back.
    Block content = contentOf(oldest.blockIndex);
    if (content != oldest.contentWhenWritten) ++faults;
    played.push_back(std::move(content));
    queue.pop_front();
    blockDone->signal();
    return true;
}

bool TestWaveDevice::waitForWrites(int count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return writes >= count; });
}

std::vector<Block> TestWaveDevice::playedBlocks() const {
    std::lock_guard<std::mutex> lock(mutex);
    return played;
}

std::vector<std::string> TestWaveDevice::calls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return callLog;
}

int TestWaveDevice::writeCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return writes;
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

Block TestWaveDevice::contentOf(int blockIndex) const {
    const Prepared& block = prepared[blockIndex];
    return Block(block.data, block.data + block.lengthBytes / 2);
}

void TestWaveDevice::recordCall(std::string call) { callLog.push_back(std::move(call)); }

} // namespace chimora::testing
