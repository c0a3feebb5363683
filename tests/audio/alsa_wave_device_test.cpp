// The ALSA device against ALSA's own "file" plugin (a null sink that also writes every frame it
// is given to a file) and against a device name that does not exist.
#include "alsa_wave_device.h"
#include "engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace chimora {
namespace {

using namespace std::chrono_literals;

TEST(AlsaWaveDevice, UnknownDeviceFailsQuietlyWithAReasonAndNeverSignals) {
    AlsaWaveDevice device("chimora_no_such_device");
    BlockEvent blockDone;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(device.open(PcmFormat{}, blockDone));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), ""); // ALSA's own messages are silenced
    EXPECT_NE(device.errorText().find("chimora_no_such_device"), std::string::npos);
    EXPECT_FALSE(blockDone.waitFor(50ms));
    device.close();
}

std::vector<std::int16_t> blockOfPattern(int seed) {
    std::vector<std::int16_t> block(BLOCK_SAMPLES);
    for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
        block[sample] = static_cast<std::int16_t>(sample * 7 + seed * 1000 - 12000);
    }
    return block;
}

TEST(AlsaWaveDevice, SignalsOnOpenAndForEachBlockAndDeliversTheBytesUnchanged) {
    const std::filesystem::path capture = std::filesystem::temp_directory_path() /
                                          ("chimora-alsa-" + std::to_string(::getpid()) + ".raw");
    const std::vector<std::int16_t> blocks[2] = {blockOfPattern(1), blockOfPattern(2)};
    {
        AlsaWaveDevice device("file:'" + capture.string() + "',raw");
        BlockEvent blockDone;
        ASSERT_TRUE(device.open(PcmFormat{}, blockDone)) << device.errorText();
        EXPECT_TRUE(blockDone.waitFor(1s)); // the opening
        device.prepare(0, blocks[0].data(), BLOCK_BYTES);
        device.prepare(1, blocks[1].data(), BLOCK_BYTES);
        for (int round = 0; round < 3; ++round) {
            for (int blockIndex = 0; blockIndex < 2; ++blockIndex) {
                device.write(blockIndex);
                EXPECT_TRUE(blockDone.waitFor(1s)) << "block " << blockIndex << " round " << round;
            }
        }
        device.reset();
        device.unprepare(0);
        device.unprepare(1);
        device.close();
    }
    std::ifstream file(capture, std::ios::binary);
    const std::vector<char> captured{std::istreambuf_iterator<char>(file), {}};
    std::filesystem::remove(capture);

    std::vector<char> expected;
    for (int round = 0; round < 3; ++round) {
        for (const auto& block : blocks) {
            const char* bytes = reinterpret_cast<const char*>(block.data());
            expected.insert(expected.end(), bytes, bytes + BLOCK_BYTES);
        }
    }
    EXPECT_EQ(captured, expected);
}

} // namespace
} // namespace chimora
