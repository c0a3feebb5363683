// The render thread's streaming loop and the bringing up and down of the device around it.
#include "audio_output.h"

#include "thread_priority.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace chimora {

namespace {

// A woken render thread needs at most one block's mix to notice the stop; the extra second is
// for a machine that is busy elsewhere.
constexpr std::chrono::milliseconds RENDER_END_MARGIN{1000};

} // namespace

AudioOutput::AudioOutput(LockedEngine& engineToMix, WaveDevice& outputDevice,
                         std::chrono::milliseconds blockWaitLimit,
                         std::chrono::milliseconds pauseBeforeReopen)
    : engine(engineToMix), device(outputDevice), waitLimit(blockWaitLimit),
      reacquirePause(pauseBeforeReopen) {}

AudioOutput::~AudioOutput() { shutdownAudioOutput(); }

void AudioOutput::initAudioOutput() {
    if (initialised) return;
    stopRequested = false;
    format = PcmFormat{};
    for (auto& block : blocks) block.reset(new std::int16_t[BLOCK_SAMPLES]()); // zero-filled
    initialised = true;
    openAudio();
}

void AudioOutput::shutdownAudioOutput() {
    if (!initialised) return;
    // Waits for the thread, so the blocks are released only once it is gone.
    closeAudio();
    blocks[0].reset();
    blocks[1].reset();
    initialised = false;
}

void AudioOutput::openAudio() {
    if (!initialised) return;
    if (renderThreadHandle.joinable()) closeAudio();
    // Blocks left over from an earlier device would replay stale sound: start from silence.
    zeroBlocks();
    PcmBlocks pcmBlocks;
    pcmBlocks.data[0] = blocks[0].get();
    pcmBlocks.data[1] = blocks[1].get();
    pcmBlocks.lengthBytes = BLOCK_BYTES;
    deviceOpened = device.open(format, pcmBlocks);
    openProblem = deviceOpened ? std::string() : device.errorText();
    stopRequested = false;
    {
        std::lock_guard<std::mutex> lock(renderEndMutex);
        renderThreadEnded = false;
    }
    renderThreadHandle = std::thread(&AudioOutput::renderThread, this);
    setThreadPriorityTimeCritical(renderThreadHandle);
}

void AudioOutput::closeAudio() {
    stopRequested = true;
    endRenderThread();
    // The thread is gone, so no block is queued behind the reset and the close succeeds.
    device.close();
    deviceOpened = false;
}

void AudioOutput::reacquireAudio() {
    closeAudio();
    std::this_thread::sleep_for(reacquirePause);
    openAudio();
}

void AudioOutput::setRenderPriorityNormal() {
    if (renderThreadHandle.joinable()) setThreadPriorityNormal(renderThreadHandle);
}

void AudioOutput::setRenderPriorityTimeCritical() {
    if (renderThreadHandle.joinable()) setThreadPriorityTimeCritical(renderThreadHandle);
}

void AudioOutput::renderThread() {
    const BlockWait end = stopRequested ? BlockWait::stopped : streamBlocks();
    // A stalled thread just ends; one that was asked to stop gives the channel texts back.
    if (end == BlockWait::stopped) engine.releaseAllTexts();
    markRenderThreadEnded(end);
}

bool AudioOutput::renderThreadRunning() const {
    std::lock_guard<std::mutex> lock(renderEndMutex);
    return !renderThreadEnded;
}

bool AudioOutput::deviceOpen() const { return deviceOpened; }

std::string AudioOutput::deviceProblem() const {
    if (!deviceOpened) return openProblem;
    std::lock_guard<std::mutex> lock(renderEndMutex);
    if (!renderThreadEnded) return {};
    switch (renderEnd) {
    case BlockWait::failed: return device.errorText();
    case BlockWait::timedOut: return "the sound device stopped handing blocks back";
    case BlockWait::free:
    case BlockWait::stopped: break;
    }
    return {};
}

// One block plays while the other is queued; the block the device hands back is mixed next.
// The second block has never been played, so it is free at once and follows the first
// straight away. The stop flag is looked at after each wait and after each mix. Returns
// `stopped` when asked to stop, else how the device let the loop down.
BlockWait AudioOutput::streamBlocks() {
    int blockIndex = 0;
    for (;;) {
        device.play(blockIndex);
        blockIndex = 1 - blockIndex;
        const BlockWait wait = device.waitUntilFree(blockIndex, waitLimit);
        // Woken to stop: the other block may still be playing, so leave it alone.
        if (stopRequested) return BlockWait::stopped;
        if (wait != BlockWait::free) return wait;
        engine.mixBlock(blocks[blockIndex].get(), BLOCK_BYTES);
        if (stopRequested) return BlockWait::stopped;
    }
}

void AudioOutput::markRenderThreadEnded(BlockWait end) {
    {
        std::lock_guard<std::mutex> lock(renderEndMutex);
        renderThreadEnded = true;
        renderEnd = end;
    }
    renderEnded.notify_all();
}

bool AudioOutput::waitForRenderThreadEnd(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(renderEndMutex);
    return renderEnded.wait_for(lock, timeout, [this] { return renderThreadEnded; });
}

void AudioOutput::endRenderThread() {
    if (!renderThreadHandle.joinable()) return;
    device.stop();
    // Once woken the thread mixes at most one more block; even a lost wake-up ends its wait
    // within the wait limit. Still running after that means a hung mix, or a caller holding
    // the engine lock: continuing would free memory under a running thread.
    if (!waitForRenderThreadEnd(waitLimit + RENDER_END_MARGIN)) {
        std::fputs("chimora: the render thread did not end; stopping the program\n", stderr);
        std::abort();
    }
    renderThreadHandle.join();
}

void AudioOutput::zeroBlocks() {
    for (auto& block : blocks) std::fill(block.get(), block.get() + BLOCK_SAMPLES, std::int16_t{0});
}

} // namespace chimora
