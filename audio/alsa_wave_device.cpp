// The wave device on Linux: ALSA's "default" PCM, which desktops route through PipeWire or
// PulseAudio. A feeder thread of the device's own copies each written block into ALSA's ring
// (two blocks deep) and signals the block event when ALSA has taken the whole block, so the
// render thread never blocks in ALSA. Underruns are recovered; any other error ends the feeder,
// the event is no longer signalled and the render thread stalls as with any silent device.
#include "alsa_wave_device.h"

#include "engine.h"
#include "system_wave_device.h"
#include "thread_priority.h"

#include <alsa/asoundlib.h>

#include <cstdarg>

namespace chimora {

namespace {

// How long the feeder sleeps in one wait for room in the ring before it looks for a reset.
constexpr int FEEDER_WAIT_SLICE_MS = 50;
constexpr snd_pcm_uframes_t RING_BLOCKS = 2;

// ALSA prints its errors to stderr by default; this program reports them itself.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

AlsaWaveDevice::AlsaWaveDevice(std::string alsaPcmName) : pcmName(std::move(alsaPcmName)) {
    snd_lib_error_set_handler(ignoreAlsaError);
}

AlsaWaveDevice::~AlsaWaveDevice() { close(); }

bool AlsaWaveDevice::open(const PcmFormat& format, BlockEvent& blockEvent) {
    close();
    lastError.clear();
    if (format.formatTag != 1 || format.bitsPerSample != 16) {
        lastError = "only 16-bit integer PCM is supported";
        return false;
    }
    bytesPerFrame = format.blockAlignBytes;
    // Non-blocking, so that a busy device fails at once instead of hanging the caller.
    int result = snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (result < 0) {
        pcm = nullptr;
        lastError = "cannot open ALSA device \"" + pcmName + "\": " + snd_strerror(result);
        return false;
    }
    result = configure(format);
    if (result < 0) {
        lastError = "ALSA device \"" + pcmName +
                    "\" refuses 44100 Hz 16-bit stereo: " + snd_strerror(result);
        snd_pcm_close(pcm);
        pcm = nullptr;
        return false;
    }
    blockDone = &blockEvent;
    startFeeder();
    blockEvent.signal();
    return true;
}

int AlsaWaveDevice::configure(const PcmFormat& format) {
    snd_pcm_hw_params_t* hardware;
    snd_pcm_hw_params_alloca(&hardware);
    snd_pcm_uframes_t periodFrames = BLOCK_FRAMES;
    snd_pcm_uframes_t bufferFrames = RING_BLOCKS * BLOCK_FRAMES;
    int result = snd_pcm_hw_params_any(pcm, hardware);
    if (result >= 0)
        result = snd_pcm_hw_params_set_access(pcm, hardware, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (result >= 0) result = snd_pcm_hw_params_set_format(pcm, hardware, SND_PCM_FORMAT_S16_LE);
    if (result >= 0) result = snd_pcm_hw_params_set_channels(pcm, hardware, format.channels);
    if (result >= 0) result = snd_pcm_hw_params_set_rate_resample(pcm, hardware, 1);
    if (result >= 0) result = snd_pcm_hw_params_set_rate(pcm, hardware, format.samplesPerSecond, 0);
    if (result >= 0)
        result = snd_pcm_hw_params_set_period_size_near(pcm, hardware, &periodFrames, nullptr);
    if (result >= 0) result = snd_pcm_hw_params_set_buffer_size_near(pcm, hardware, &bufferFrames);
    if (result >= 0) result = snd_pcm_hw_params(pcm, hardware);
    if (result < 0) return result;

    snd_pcm_sw_params_t* software;
    snd_pcm_sw_params_alloca(&software);
    result = snd_pcm_sw_params_current(pcm, software);
    // Sound starts with the first block; the render thread keeps the second one coming.
    if (result >= 0) result = snd_pcm_sw_params_set_start_threshold(pcm, software, periodFrames);
    if (result >= 0) result = snd_pcm_sw_params_set_avail_min(pcm, software, periodFrames);
    if (result >= 0) result = snd_pcm_sw_params(pcm, software);
    return result;
}

void AlsaWaveDevice::prepare(int blockIndex, const std::int16_t* data, std::int32_t lengthBytes) {
    std::lock_guard<std::mutex> lock(queueMutex);
    blocks[blockIndex] = {data, lengthBytes};
}

void AlsaWaveDevice::unprepare(int blockIndex) {
    std::lock_guard<std::mutex> lock(queueMutex);
    blocks[blockIndex] = {};
}

void AlsaWaveDevice::write(int blockIndex) {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        if (feederStopRequested || blocks[blockIndex].data == nullptr || queuedCount == 2) return;
        queued[(queueFront + queuedCount) % 2] = blockIndex;
        ++queuedCount;
    }
    queueChanged.notify_one();
}

void AlsaWaveDevice::reset() {
    if (pcm == nullptr) return;
    stopFeeder();
    snd_pcm_drop(pcm);
    snd_pcm_prepare(pcm);
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        queuedCount = 0;
    }
    blockDone->signal();
    startFeeder();
}

void AlsaWaveDevice::close() {
    if (pcm == nullptr) return;
    stopFeeder();
    snd_pcm_close(pcm);
    pcm = nullptr;
    blockDone = nullptr;
    std::lock_guard<std::mutex> lock(queueMutex);
    queuedCount = 0;
}

std::string AlsaWaveDevice::errorText() const { return lastError; }

void AlsaWaveDevice::startFeeder() {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        feederStopRequested = false;
    }
    feeder = std::thread(&AlsaWaveDevice::feedBlocks, this);
    // The feeder keeps the ring filled, so it is as urgent as the render thread.
    setThreadPriorityTimeCritical(feeder);
}

void AlsaWaveDevice::stopFeeder() {
    if (!feeder.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        feederStopRequested = true;
    }
    queueChanged.notify_one();
    feeder.join();
}

bool AlsaWaveDevice::feederShouldStop() {
    std::lock_guard<std::mutex> lock(queueMutex);
    return feederStopRequested;
}

void AlsaWaveDevice::feedBlocks() {
    for (;;) {
        QueuedBlock block;
        {
            std::unique_lock<std::mutex> lock(queueMutex);
            queueChanged.wait(lock, [this] { return feederStopRequested || queuedCount > 0; });
            if (feederStopRequested) return;
            block = blocks[queued[queueFront]];
        }
        // A failed device stops signalling: the render thread runs into its wait limit.
        if (!writeWholeBlock(block)) return;
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            if (feederStopRequested) return;
            queueFront = (queueFront + 1) % 2;
            --queuedCount;
        }
        blockDone->signal();
    }
}

// Copies the block into ALSA's ring, waiting for room in slices so a reset is noticed.
// False on an error that recovery cannot mend (the device failed or went away) or a reset.
bool AlsaWaveDevice::writeWholeBlock(const QueuedBlock& block) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data);
    snd_pcm_uframes_t framesLeft =
        static_cast<snd_pcm_uframes_t>(block.lengthBytes / bytesPerFrame);
    while (framesLeft > 0) {
        if (feederShouldStop()) return false;
        snd_pcm_sframes_t written = snd_pcm_writei(pcm, bytes, framesLeft);
        if (written == -EAGAIN) {
            written = snd_pcm_wait(pcm, FEEDER_WAIT_SLICE_MS);
            if (written >= 0) continue;
        }
        if (written < 0) {
            // Underrun, suspend and signal interruption recover; everything else is fatal.
            if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) return false;
            continue;
        }
        bytes += written * bytesPerFrame;
        framesLeft -= static_cast<snd_pcm_uframes_t>(written);
    }
    return true;
}

std::unique_ptr<WaveDevice> makeSystemWaveDevice() { return std::make_unique<AlsaWaveDevice>(); }

} // namespace chimora
