// The wave device on Linux: ALSA's "default" PCM, which desktops route through PipeWire or
// PulseAudio. No thread of its own: the render thread copies each block into the PCM's ring of
// two blocks (period one block) and, to wait for a free block, polls the PCM together with a
// wake-up descriptor that stop() makes readable. Underruns are recovered; any other error fails
// the device, which the next wait reports.
#include "alsa_wave_device.h"

#include "null_wave_device.h"
#include "system_wave_device.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>

namespace chimora {

namespace {

using Clock = std::chrono::steady_clock;

constexpr snd_pcm_uframes_t RING_BLOCKS = 2;

// ALSA prints its errors to stderr by default; this program reports them itself.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

AlsaWaveDevice::AlsaWaveDevice(std::string alsaPcmName)
    : pcmName(std::move(alsaPcmName)), wakeDescriptor(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    snd_lib_error_set_handler(ignoreAlsaError);
    pollDescriptors.push_back({wakeDescriptor, POLLIN, 0});
}

AlsaWaveDevice::~AlsaWaveDevice() {
    close();
    if (wakeDescriptor >= 0) ::close(wakeDescriptor);
}

bool AlsaWaveDevice::open(const PcmFormat& format, const PcmBlocks& pcmBlocks) {
    close();
    takeBackStop();
    lastError.clear();
    failed = false;
    if (format.formatTag != 1 || format.bitsPerSample != 16) {
        lastError = "only 16-bit integer PCM is supported";
        return false;
    }
    blocks = pcmBlocks;
    bytesPerFrame = format.blockAlignBytes;
    blockFrames = static_cast<snd_pcm_uframes_t>(blocks.lengthBytes / bytesPerFrame);
    // Non-blocking, so that a busy device fails at once and a full ring never holds up play().
    int result = snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (result < 0) {
        pcm = nullptr;
        lastError = "cannot open ALSA device \"" + pcmName + "\": " + snd_strerror(result);
        return false;
    }
    result = configure(format);
    if (result >= 0) result = snd_pcm_poll_descriptors_count(pcm);
    if (result >= 0) {
        pollDescriptors.assign(static_cast<std::size_t>(result) + 1, pollfd{});
        result =
            snd_pcm_poll_descriptors(pcm, pollDescriptors.data(), static_cast<unsigned>(result));
        pollDescriptors.back() = {wakeDescriptor, POLLIN, 0};
    }
    if (result < 0) {
        lastError = "ALSA device \"" + pcmName +
                    "\" refuses 44100 Hz 16-bit stereo: " + snd_strerror(result);
        close();
        return false;
    }
    return true;
}

int AlsaWaveDevice::configure(const PcmFormat& format) {
    snd_pcm_hw_params_t* hardware;
    snd_pcm_hw_params_alloca(&hardware);
    snd_pcm_uframes_t periodFrames = blockFrames;
    snd_pcm_uframes_t bufferFrames = RING_BLOCKS * blockFrames;
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
    // Sound starts with the first block; the render thread keeps the second one coming. The
    // poll wakes when a period has played.
    if (result >= 0) result = snd_pcm_sw_params_set_start_threshold(pcm, software, periodFrames);
    if (result >= 0) result = snd_pcm_sw_params_set_avail_min(pcm, software, periodFrames);
    if (result >= 0) result = snd_pcm_sw_params(pcm, software);
    return result;
}

void AlsaWaveDevice::play(int blockIndex) {
    if (pcm == nullptr || failed) return;
    pending = reinterpret_cast<const unsigned char*>(blocks.data[blockIndex]);
    pendingFrames = blockFrames;
    writePending();
}

BlockWait AlsaWaveDevice::waitUntilFree(int, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        if (stopRequested.load(std::memory_order_acquire)) return BlockWait::stopped;
        if (failed) return BlockWait::failed;
        if (pcm == nullptr) {
            // Not open: nothing will come back; only stop() ends the wait early.
            if (!pollUntil(deadline, 0)) return BlockWait::timedOut;
            continue;
        }
        // Free once the last block is wholly in the ring and a whole block fits behind it.
        if (!writePending()) return BlockWait::failed;
        if (pendingFrames == 0) {
            const snd_pcm_sframes_t available = snd_pcm_avail(pcm);
            if (available < 0) {
                if (!recover(available)) return BlockWait::failed;
                continue;
            }
            if (static_cast<snd_pcm_uframes_t>(available) >= blockFrames) return BlockWait::free;
        }
        if (!pollUntil(deadline, static_cast<int>(pollDescriptors.size()) - 1)) {
            return failed ? BlockWait::failed : BlockWait::timedOut;
        }
    }
}

void AlsaWaveDevice::stop() {
    stopRequested.store(true, std::memory_order_release);
    const std::uint64_t one = 1;
    // A full counter means a wake-up is pending already.
    [[maybe_unused]] const ssize_t written = ::write(wakeDescriptor, &one, sizeof one);
}

void AlsaWaveDevice::close() {
    pending = nullptr;
    pendingFrames = 0;
    if (pcm == nullptr) return;
    snd_pcm_drop(pcm);
    snd_pcm_close(pcm);
    pcm = nullptr;
}

std::string AlsaWaveDevice::errorText() const { return lastError; }

// Copies as much of the pending block into the ring as fits. False when the device failed.
bool AlsaWaveDevice::writePending() {
    while (pendingFrames > 0) {
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm, pending, pendingFrames);
        if (written == -EAGAIN) return true; // the ring is full: the rest goes in later
        if (written < 0) {
            if (!recover(written)) return false;
            continue;
        }
        pending += written * bytesPerFrame;
        pendingFrames -= static_cast<snd_pcm_uframes_t>(written);
    }
    return true;
}

// Underrun, suspend and signal interruption recover; anything else fails the device.
bool AlsaWaveDevice::recover(long error) {
    if (snd_pcm_recover(pcm, static_cast<int>(error), 1) >= 0) return true;
    failed = true;
    lastError = "ALSA device \"" + pcmName +
                "\" failed while playing: " + snd_strerror(static_cast<int>(error));
    return false;
}

// Polls the PCM's `pcmDescriptors` descriptors and the wake-up descriptor until one is ready
// or the deadline passes. False on time-out or on a failed poll (then `failed`).
bool AlsaWaveDevice::pollUntil(Clock::time_point deadline, int pcmDescriptors) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd* descriptors = pollDescriptors.data() +
                          (pollDescriptors.size() - 1 - static_cast<std::size_t>(pcmDescriptors));
    const int timeout = static_cast<int>(std::min<long long>(left, 60'000));
    const int ready = ::poll(descriptors, static_cast<nfds_t>(pcmDescriptors + 1), timeout);
    if (ready < 0 && errno != EINTR) {
        failed = true;
        lastError = "waiting for ALSA device \"" + pcmName + "\" failed";
        return false;
    }
    // Some plugins (the sound servers') clear their readiness only when asked what it means.
    if (ready > 0 && pcmDescriptors > 0) {
        unsigned short events = 0;
        snd_pcm_poll_descriptors_revents(pcm, descriptors, static_cast<unsigned>(pcmDescriptors),
                                         &events);
    }
    // Nothing ready: the deadline has come (past a minute away, only the slice has ended).
    return ready != 0 || left > timeout;
}

void AlsaWaveDevice::takeBackStop() {
    std::uint64_t count;
    [[maybe_unused]] const ssize_t read = ::read(wakeDescriptor, &count, sizeof count);
    stopRequested.store(false, std::memory_order_release);
}

std::unique_ptr<WaveDevice> makeSystemWaveDevice() { return std::make_unique<AlsaWaveDevice>(); }

// ALSA has a PCM called "null" too, but it takes blocks as fast as they come; ours keeps time.
std::unique_ptr<WaveDevice> makeNamedWaveDevice(const std::string& name) {
    if (name == "null") return std::make_unique<NullWaveDevice>();
    return std::make_unique<AlsaWaveDevice>(name);
}

} // namespace chimora
