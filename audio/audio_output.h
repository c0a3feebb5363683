// The program's only sound path: one wave device, two 6000-byte PCM blocks that take turns at
// it, and the render thread that refills whichever block the device has just handed back by
// calling the engine's mixer. With no channel active it streams silence.
//
// Threads: every operation except renderThread belongs to the window thread (start-up and
// shut-down run on it too), which must not be inside LockedEngine::apply while calling them.
// The render thread mixes each whole block through the LockedEngine.
#pragma once

#include "locked_engine.h"
#include "pcm_format.h"
#include "wave_device.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace chimora {

class AudioOutput final {
public:
    // How long the render thread waits for the device before it gives up (the stall).
    static constexpr std::chrono::milliseconds DEFAULT_WAIT_LIMIT{5000};
    // The pause between closing and reopening the device in reacquireAudio.
    static constexpr std::chrono::milliseconds DEFAULT_REACQUIRE_PAUSE{1000};

    // Nothing is started here: initAudioOutput brings the output up. Both objects must outlive
    // this one.
    AudioOutput(LockedEngine& engine, WaveDevice& device,
                std::chrono::milliseconds waitLimit = DEFAULT_WAIT_LIMIT,
                std::chrono::milliseconds reacquirePause = DEFAULT_REACQUIRE_PAUSE);
    // Shuts the output down if that has not happened yet.
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Start-up, once: allocates the two blocks zero-filled and opens the device with openAudio.
    // A device that cannot be opened is not an error here: the render thread then ends after
    // its wait limit, like a stalled device, and deviceProblem() says why.
    void initAudioOutput();
    // Shut-down, once: ends the render thread, closes the device, then releases the blocks
    // (the engine frees its own buffers when it is destroyed).
    void shutdownAudioOutput();

    // Opens the device, prepares both blocks (zero-filled, so the first block played is
    // silence) and starts the render thread at time-critical priority.
    void openAudio();
    // Asks the render thread to stop, wakes it through the device and waits for it to end,
    // then closes the device. Afterwards no render thread runs and no lock is left held.
    void closeAudio();
    // closeAudio, the re-acquire pause, openAudio. The channels keep their state.
    void reacquireAudio();

    // The render thread's priority around a song load: normal while the file is split and
    // compiled, time-critical otherwise. No effect while no render thread runs.
    void setRenderPriorityNormal();
    void setRenderPriorityTimeCritical();

    // The streaming loop that openAudio runs on the render thread: plays a block, waits until
    // the other one is free, mixes into it, until stopRequested is set (then it releases the
    // channel texts) or the device stays silent for the wait limit or fails (then it just ends,
    // as a stall).
    void renderThread();

    // True from openAudio until the render thread has ended (stopped or stalled).
    bool renderThreadRunning() const;
    // True when the last openAudio opened the device.
    bool deviceOpen() const;
    // Empty while the device streams; else why it does not: it could not be opened, it failed
    // while playing, or it handed no block back within the wait limit.
    std::string deviceProblem() const;

private:
    BlockWait streamBlocks();
    void markRenderThreadEnded(BlockWait end);
    bool waitForRenderThreadEnd(std::chrono::milliseconds timeout);
    void endRenderThread();
    void zeroBlocks();

    LockedEngine& engine;
    WaveDevice& device;
    const std::chrono::milliseconds waitLimit;
    const std::chrono::milliseconds reacquirePause;

    std::thread renderThreadHandle;
    PcmFormat format;
    std::unique_ptr<std::int16_t[]> blocks[2];
    std::atomic<bool> stopRequested{false};
    bool deviceOpened = false;
    bool initialised = false;

    // Lets closeAudio wait for the thread's end with a bound (std::thread::join has none).
    mutable std::mutex renderEndMutex;
    std::condition_variable renderEnded;
    bool renderThreadEnded = true;
    BlockWait renderEnd = BlockWait::stopped;
    std::string openProblem;
};

} // namespace chimora
