// The ALSA wave device: one PCM (by default "default") fed from a thread of the device's own.
// See wave_device.h for who may call what.
#pragma once

#include "wave_device.h"

#include <alsa/asoundlib.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace chimora {

class AlsaWaveDevice final : public WaveDevice {
public:
    // `pcmName` is any ALSA PCM name; tests use "file:'PATH',raw". Silences ALSA's own error
    // printing for the whole process.
    explicit AlsaWaveDevice(std::string pcmName = "default");
    ~AlsaWaveDevice() override;

    bool open(const PcmFormat& format, BlockEvent& blockDone) override;
    void prepare(int blockIndex, const std::int16_t* data, std::int32_t lengthBytes) override;
    void unprepare(int blockIndex) override;
    void write(int blockIndex) override;
    void reset() override;
    void close() override;
    std::string errorText() const override;

private:
    struct QueuedBlock {
        const std::int16_t* data = nullptr;
        std::int32_t lengthBytes = 0;
    };

    int configure(const PcmFormat& format);
    void startFeeder();
    void stopFeeder();
    bool feederShouldStop();
    void feedBlocks();
    bool writeWholeBlock(const QueuedBlock& block);

    const std::string pcmName;
    std::string lastError;
    snd_pcm_t* pcm = nullptr;
    BlockEvent* blockDone = nullptr;
    int bytesPerFrame = 4;
    std::thread feeder;

    // Shared by the render thread (write), the feeder and the window thread.
    std::mutex queueMutex;
    std::condition_variable queueChanged;
    QueuedBlock blocks[2];
    int queued[2] = {0, 0}; // block indices in the order written
    int queueFront = 0;
    int queuedCount = 0;
    bool feederStopRequested = true;
};

} // namespace chimora
