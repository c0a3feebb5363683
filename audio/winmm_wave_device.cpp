// The wave device on Windows: winmm's waveOut on the wave mapper (the user's default output),
// signalling an auto-reset event (CALLBACK_EVENT) when it opens and whenever it has finished a
// block. Signals are not counted: two blocks finished before a wait wake it only once, so a
// wait looks at the block's own WHDR_DONE flag and uses the event only to sleep until it may
// have changed.
#include "null_wave_device.h"
#include "system_wave_device.h"

#include <windows.h>
// mmsystem.h needs the types that windows.h declares.
#include <mmsystem.h>

#include <atomic>
#include <chrono>
#include <string>

namespace chimora {

namespace {

using Clock = std::chrono::steady_clock;

class WinmmWaveDevice final : public WaveDevice {
public:
    WinmmWaveDevice() : blockEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~WinmmWaveDevice() override {
        close();
        CloseHandle(blockEvent);
    }
    WinmmWaveDevice(const WinmmWaveDevice&) = delete;
    WinmmWaveDevice& operator=(const WinmmWaveDevice&) = delete;

    bool open(const PcmFormat& pcm, const PcmBlocks& blocks) override {
        close();
        stopRequested.store(false);
        ResetEvent(blockEvent);
        failure.clear();
        fillFormat(pcm);
        const MMRESULT result =
            waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(blockEvent), 0,
                        CALLBACK_EVENT);
        if (result != MMSYSERR_NOERROR) {
            device = nullptr;
            failure = describe("waveOutOpen", result);
            return false;
        }
        for (int block = 0; block < 2; ++block) {
            // Each block is a loop of its own (WHDR_BEGINLOOP | WHDR_ENDLOOP, 12) played once.
            WAVEHDR& header = headers[block];
            header = {};
            header.lpData = reinterpret_cast<LPSTR>(blocks.data[block]);
            header.dwBufferLength = static_cast<DWORD>(blocks.lengthBytes);
            header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
            header.dwLoops = 1;
            waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
            written[block] = false;
        }
        return true;
    }

    void play(int blockIndex) override {
        if (device == nullptr || !failure.empty()) return;
        const MMRESULT result = waveOutWrite(device, &headers[blockIndex], sizeof(WAVEHDR));
        if (result == MMSYSERR_NOERROR) {
            written[blockIndex] = true;
        } else {
            failure = describe("waveOutWrite", result);
        }
    }

    BlockWait waitUntilFree(int blockIndex, std::chrono::milliseconds limit) override {
        const Clock::time_point deadline = Clock::now() + limit;
        for (;;) {
            if (stopRequested.load()) return BlockWait::stopped;
            if (!failure.empty()) return BlockWait::failed;
            if (device != nullptr && isFree(blockIndex)) return BlockWait::free;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return BlockWait::timedOut;
            WaitForSingleObject(blockEvent, static_cast<DWORD>(left.count()));
        }
    }

    void stop() override {
        stopRequested.store(true);
        SetEvent(blockEvent);
    }

    void close() override {
        if (device == nullptr) return;
        waveOutReset(device);
        waveOutUnprepareHeader(device, &headers[0], sizeof(WAVEHDR));
        waveOutUnprepareHeader(device, &headers[1], sizeof(WAVEHDR));
        waveOutClose(device);
        device = nullptr;
    }

    std::string errorText() const override { return failure; }

private:
    // winmm sets WHDR_DONE from its own thread before it signals the event.
    bool isFree(int blockIndex) {
        if (!written[blockIndex]) return true;
        const DWORD flags =
            std::atomic_ref<DWORD>(headers[blockIndex].dwFlags).load(std::memory_order_acquire);
        return (flags & WHDR_DONE) != 0;
    }

    void fillFormat(const PcmFormat& pcm) {
        format = {};
        format.wFormatTag = pcm.formatTag;
        format.nChannels = pcm.channels;
        format.nSamplesPerSec = pcm.samplesPerSecond;
        format.nAvgBytesPerSec = pcm.averageBytesPerSecond;
        format.nBlockAlign = pcm.blockAlignBytes;
        format.wBitsPerSample = pcm.bitsPerSample;
        format.cbSize = pcm.extraBytes;
    }

    static std::string describe(const char* call, MMRESULT result) {
        char text[MAXERRORLENGTH] = {};
        if (waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR) {
            return std::string(call) + " failed with code " + std::to_string(result);
        }
        return std::string(call) + " failed: " + text;
    }

    HANDLE blockEvent;
    HWAVEOUT device = nullptr;
    WAVEFORMATEX format{};
    WAVEHDR headers[2]{};
    bool written[2] = {false, false};
    std::atomic<bool> stopRequested{false};
    std::string failure;
};

} // namespace

std::unique_ptr<WaveDevice> makeSystemWaveDevice() { return std::make_unique<WinmmWaveDevice>(); }

std::unique_ptr<WaveDevice> makeNamedWaveDevice(const std::string& name) {
    if (name == "null") return std::make_unique<NullWaveDevice>();
    if (name == "default") return makeSystemWaveDevice();
    return nullptr;
}

} // namespace chimora
