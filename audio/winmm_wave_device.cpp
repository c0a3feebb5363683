// The wave device on Windows: winmm's waveOut on the wave mapper (the user's default output).
// winmm signals the block event by itself (CALLBACK_EVENT) when it opens and whenever a block
// has finished playing.
#include "system_wave_device.h"

#include <windows.h>
// mmsystem.h needs the types that windows.h declares.
#include <mmsystem.h>

#include <string>

namespace chimora {

namespace {

class WinmmWaveDevice final : public WaveDevice {
public:
    ~WinmmWaveDevice() override { close(); }

    bool open(const PcmFormat& pcm, BlockEvent& blockDone) override {
        close();
        format = {};
        format.wFormatTag = pcm.formatTag;
        format.nChannels = pcm.channels;
        format.nSamplesPerSec = pcm.samplesPerSecond;
        format.nAvgBytesPerSec = pcm.averageBytesPerSecond;
        format.nBlockAlign = pcm.blockAlignBytes;
        format.wBitsPerSample = pcm.bitsPerSample;
        format.cbSize = pcm.extraBytes;
        const MMRESULT result =
            waveOutOpen(&device, WAVE_MAPPER, &format,
                        reinterpret_cast<DWORD_PTR>(blockDone.nativeHandle()), 0, CALLBACK_EVENT);
        if (result == MMSYSERR_NOERROR) return true;
        device = nullptr;
        lastError = describe(result);
        return false;
    }

    void prepare(int blockIndex, const std::int16_t* data, std::int32_t lengthBytes) override {
        // Each block is a loop of its own (WHDR_BEGINLOOP | WHDR_ENDLOOP, 12) played once.
        WAVEHDR& header = headers[blockIndex];
        header = {};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<std::int16_t*>(data));
        header.dwBufferLength = static_cast<DWORD>(lengthBytes);
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 1;
        if (device != nullptr) waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
    }

    void unprepare(int blockIndex) override {
        if (device != nullptr)
            waveOutUnprepareHeader(device, &headers[blockIndex], sizeof(WAVEHDR));
    }

    void write(int blockIndex) override {
        if (device != nullptr) waveOutWrite(device, &headers[blockIndex], sizeof(WAVEHDR));
    }

    void reset() override {
        if (device != nullptr) waveOutReset(device);
    }

    void close() override {
        if (device == nullptr) return;
        waveOutClose(device);
        device = nullptr;
    }

    std::string errorText() const override { return lastError; }

private:
    static std::string describe(MMRESULT result) {
        char text[MAXERRORLENGTH] = {};
        if (waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR) {
            return "waveOutOpen failed with code " + std::to_string(result);
        }
        return std::string("waveOutOpen failed: ") + text;
    }

    HWAVEOUT device = nullptr;
    WAVEFORMATEX format{};
    WAVEHDR headers[2]{};
    std::string lastError;
};

} // namespace

std::unique_ptr<WaveDevice> makeSystemWaveDevice() { return std::make_unique<WinmmWaveDevice>(); }

} // namespace chimora
