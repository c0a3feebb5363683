// The ALSA wave device: one PCM (by default "default"), written by the render thread itself.
// The PCM's ring holds two blocks; play copies a block into it without blocking, and a wait for
// a free block polls the PCM until there is room for a whole block again. See wave_device.h for
// who may call what.
#pragma once

#include "wave_device.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <poll.h>

namespace chimora {

class AlsaWaveDevice final : public WaveDevice {
public:
    // `pcmName` is any ALSA PCM name; tests use "file:'PATH',raw". Silences ALSA's own error
    // printing for the whole process.
    explicit AlsaWaveDevice(std::string pcmName = "default");
    ~AlsaWaveDevice() override;
    AlsaWaveDevice(const AlsaWaveDevice&) = delete;
    AlsaWaveDevice& operator=(const AlsaWaveDevice&) = delete;

    bool open(const PcmFormat& format, const PcmBlocks& blocks) override;
    void play(int blockIndex) override;
    BlockWait waitUntilFree(int blockIndex, std::chrono::milliseconds limit) override;
    void stop() override;
    void close() override;
    std::string errorText() const override;

private:
    int configure(const PcmFormat& format);
    bool writePending();
    bool recover(long error);
    bool pollUntil(std::chrono::steady_clock::time_point deadline, int descriptorCount);
    void takeBackStop();

    const std::string pcmName;
    std::string lastError;
    snd_pcm_t* pcm = nullptr;
    PcmBlocks blocks;
    snd_pcm_uframes_t blockFrames = 0;
    int bytesPerFrame = 4;
    // The part of the last played block that did not fit into the ring yet.
    const unsigned char* pending = nullptr;
    snd_pcm_uframes_t pendingFrames = 0;
    bool failed = false;
    // stop() sets the flag and makes the wake-up descriptor readable for a poll in progress.
    std::atomic<bool> stopRequested{false};
    int wakeDescriptor = -1;
    // The PCM's poll descriptors followed by the wake-up descriptor, filled by open.
    std::vector<pollfd> pollDescriptors;
};

} // namespace chimora
