// The render thread mixing while the window thread changes the engine. These run under
// ThreadSanitizer (scripts/test), which reports any access the engine lock does not order.
#include "alsa_wave_device.h"
#include "audio_output.h"
#include "locked_engine.h"
#include "test_wave_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <thread>

#include <unistd.h>

namespace chimora {
namespace {

using namespace std::chrono_literals;
using testing::TestWaveDevice;

// Plays the test device's blocks from a thread of its own, the way a sound card keeps time.
class DeviceClock {
public:
    explicit DeviceClock(TestWaveDevice& device)
        : thread([this, &device] {
              while (!stopping) {
                  device.playBlock(5ms);
                  std::this_thread::sleep_for(200us);
              }
          }) {}
    ~DeviceClock() {
        stopping = true;
        thread.join();
    }

private:
    std::atomic<bool> stopping{false};
    std::thread thread;
};

constexpr const char* TUNES[] = {
    "t200 o4 l16 @1 cdefgab>c x",
    "t180 o5 l32 @3 v12 p3 [ceg]4 x",
    "t240 o3 l8 @4 q4 s5 cgcg x",
    "t150 o4 l16 @2 y8 m5 i2 w10 a>c<a x",
};

constexpr char SONG[] = "0t200 l16 cdef\r\n1t200 l16 @2 efga\r\n7t200 l16 @4 cc\r\n";

// One round of what the window thread does to the engine: compiles, starts, stops, loads a song
// (at normal priority, as the song player does) and changes the gain without the lock.
void changeEngineOnce(LockedEngine& lockedEngine, AudioOutput& output, int round) {
    lockedEngine.apply([round](Engine& engine) {
        engine.clearAllEvents();
        for (int channel = 0; channel < 4; ++channel) {
            engine.compileChannel((channel + round) % CHANNEL_COUNT, TUNES[channel]);
            engine.startChannel((channel + round) % CHANNEL_COUNT);
        }
        if (round % 3 == 0) engine.stopChannel(round % CHANNEL_COUNT);
        if (round % 7 == 0) engine.stopAllChannels();
    });
    lockedEngine.setMasterGain(0.5 + (round % 5) * 0.5);
    if (round % 4 == 0) {
        output.setRenderPriorityNormal();
        lockedEngine.startSongFile(
            std::span(reinterpret_cast<const std::uint8_t*>(SONG), sizeof SONG - 1), 1.0);
        output.setRenderPriorityTimeCritical();
    }
}

TEST(AudioConcurrency, MixesWhileTheWindowThreadCompilesStartsStopsAndChangesTheGain) {
    Engine engine;
    LockedEngine lockedEngine{engine};
    TestWaveDevice device;
    AudioOutput output{lockedEngine, device};
    output.initAudioOutput();
    {
        DeviceClock clock(device);
        for (int round = 0; round < 150; ++round) {
            changeEngineOnce(lockedEngine, output, round);
            std::this_thread::sleep_for(1ms);
        }
        output.shutdownAudioOutput();
    }
    EXPECT_GT(device.playedBlocks().size(), 20u);
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST(AudioConcurrency, ReacquiresAndClosesWhileTheDeviceIsPlaying) {
    Engine engine;
    LockedEngine lockedEngine{engine};
    TestWaveDevice device;
    AudioOutput output{lockedEngine, device, 5000ms, 1ms};
    output.initAudioOutput();
    {
        DeviceClock clock(device);
        for (int round = 0; round < 20; ++round) {
            changeEngineOnce(lockedEngine, output, round);
            std::this_thread::sleep_for(2ms);
            output.reacquireAudio();
        }
        output.shutdownAudioOutput();
    }
    EXPECT_FALSE(output.renderThreadRunning());
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST(AudioConcurrency, AlsaDeviceFeedsTheRenderThreadWhileChannelsChange) {
    const std::filesystem::path capture =
        std::filesystem::temp_directory_path() /
        ("chimora-concurrency-" + std::to_string(::getpid()) + ".raw");
    Engine engine;
    LockedEngine lockedEngine{engine};
    AlsaWaveDevice device("file:'" + capture.string() + "',raw");
    {
        AudioOutput output{lockedEngine, device, 5000ms, 10ms};
        output.initAudioOutput();
        ASSERT_TRUE(output.deviceOpen()) << device.errorText();
        for (int round = 0; round < 60; ++round) {
            changeEngineOnce(lockedEngine, output, round);
            std::this_thread::sleep_for(1ms);
            if (round == 30) output.reacquireAudio(); // the file starts again here
        }
        output.shutdownAudioOutput();
    }
    const auto capturedBytes = std::filesystem::file_size(capture);
    std::filesystem::remove(capture);
    EXPECT_GT(capturedBytes, 0u);
    EXPECT_EQ(capturedBytes % BLOCK_BYTES, 0u);
}

} // namespace
} // namespace chimora
