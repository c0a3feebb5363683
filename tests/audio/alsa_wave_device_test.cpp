// The ALSA device against ALSA's own "file" plugin (a null sink that also writes every frame it
// is given to a file) and against a device name that does not exist.
#include "alsa_wave_device.h"
#include "engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace chimora {
namespace {

using namespace std::chrono_literals;

// Far beyond any wake-up, yet short enough that a missing one fails the test instead of
// hanging it.
constexpr std::chrono::milliseconds PATIENT_LIMIT = 20s;

TEST(AlsaWaveDevice, UnknownDeviceFailsQuietlyWithAReasonAndItsWaitsEndOnlyByTimeOrStop) {
    AlsaWaveDevice device("chimora_no_such_device");
    std::int16_t block[BLOCK_SAMPLES] = {};
    PcmBlocks blocks;
    blocks.data[0] = blocks.data[1] = block;
    blocks.lengthBytes = BLOCK_BYTES;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(device.open(PcmFormat{}, blocks));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), ""); // ALSA's own messages are silenced
    EXPECT_NE(device.errorText().find("chimora_no_such_device"), std::string::npos);
    device.play(0);
    EXPECT_EQ(device.waitUntilFree(1, 20ms), BlockWait::timedOut);

    std::thread stopper([&device] {
        std::this_thread::sleep_for(20ms);
        device.stop();
    });
    EXPECT_EQ(device.waitUntilFree(1, PATIENT_LIMIT), BlockWait::stopped);
    stopper.join();
    EXPECT_EQ(device.waitUntilFree(1, PATIENT_LIMIT), BlockWait::stopped); // it stays
    device.close();
}

std::vector<std::int16_t> blockOfPattern(int seed) {
    std::vector<std::int16_t> block(BLOCK_SAMPLES);
    for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
        block[sample] = static_cast<std::int16_t>(sample * 7 + seed * 1000 - 12000);
    }
    return block;
}

std::vector<char> fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// ALSA's file plugin over its null PCM takes blocks as fast as they come, so every wait ends
// at once; what arrives in the file is what was played, in order.
TEST(AlsaWaveDevice, DeliversEveryPlayedBlockUnchangedAndInOrder) {
    const std::filesystem::path capture = std::filesystem::temp_directory_path() /
                                          ("chimora-alsa-" + std::to_string(::getpid()) + ".raw");
    std::vector<std::int16_t> storage[2] = {blockOfPattern(0), blockOfPattern(0)};
    std::vector<char> expected;
    {
        AlsaWaveDevice device("file:'" + capture.string() + "',raw");
        PcmBlocks blocks;
        blocks.data[0] = storage[0].data();
        blocks.data[1] = storage[1].data();
        blocks.lengthBytes = BLOCK_BYTES;
        ASSERT_TRUE(device.open(PcmFormat{}, blocks)) << device.errorText();
        for (int round = 0; round < 6; ++round) {
            const int blockIndex = round % 2;
            ASSERT_EQ(device.waitUntilFree(blockIndex, 1s), BlockWait::free) << "round " << round;
            const std::vector<std::int16_t> pattern = blockOfPattern(round + 1);
            std::copy(pattern.begin(), pattern.end(), storage[blockIndex].begin());
            device.play(blockIndex);
            const char* bytes = reinterpret_cast<const char*>(storage[blockIndex].data());
            expected.insert(expected.end(), bytes, bytes + BLOCK_BYTES);
        }
        ASSERT_EQ(device.waitUntilFree(0, 1s), BlockWait::free);
        ASSERT_EQ(device.waitUntilFree(1, 1s), BlockWait::free);
        device.close();
    }
    const std::vector<char> captured = fileBytes(capture);
    std::filesystem::remove(capture);
    EXPECT_EQ(captured, expected);
}

} // namespace
} // namespace chimora
