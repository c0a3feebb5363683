// The winmm device under Wine, whose sound goes to ALSA's file plugin (the test's ALSA
// configuration): every block played comes out once, whole and in order. Each block is marked
// with its number, so a block refilled before the device was done with it shows as a block
// missing or twice. Run through CTest, which sets ALSA_CONFIG_PATH and the capture's name.
#include "engine.h"
#include "system_wave_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace chimora {
namespace {

using namespace std::chrono_literals;

constexpr int BLOCKS = 200;

// Left: the block's number from 1; right: the frame's number from 1 (silence never matches).
void markBlock(std::int16_t* block, int number) {
    for (int frame = 0; frame < BLOCK_FRAMES; ++frame) {
        block[2 * frame] = static_cast<std::int16_t>(number);
        block[2 * frame + 1] = static_cast<std::int16_t>(frame + 1);
    }
}

// The block numbers heard, one per whole block, in order; -1 for a torn block. Wine's own
// silence (before the stream and wherever a block comes late) is left out.
std::vector<int> blocksHeard(const std::string& capturePath) {
    std::ifstream file(capturePath, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    std::vector<int> heard;
    int expectedFrame = 1;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        std::int16_t frame[2];
        std::memcpy(frame, bytes.data() + at, 4);
        if (frame[0] == 0 && frame[1] == 0) continue;
        if (frame[1] == 1) heard.push_back(frame[0]);
        if (frame[1] != expectedFrame || heard.empty() || frame[0] != heard.back()) {
            heard.push_back(-1);
        }
        expectedFrame = frame[1] % BLOCK_FRAMES + 1;
    }
    return heard;
}

TEST(WinmmWaveDevice, PlaysEveryBlockOnceWholeAndInOrder) {
    const char* capture = std::getenv("CHIMORA_CAPTURE");
    ASSERT_NE(capture, nullptr) << "run through CTest, which names the capture file";
    std::remove(capture);
    std::vector<std::int16_t> storage[2] = {std::vector<std::int16_t>(BLOCK_SAMPLES),
                                            std::vector<std::int16_t>(BLOCK_SAMPLES)};
    PcmBlocks blocks;
    blocks.data[0] = storage[0].data();
    blocks.data[1] = storage[1].data();
    blocks.lengthBytes = BLOCK_BYTES;
    {
        const std::unique_ptr<WaveDevice> device = makeSystemWaveDevice();
        ASSERT_TRUE(device->open(PcmFormat{}, blocks)) << device->errorText();
        // The render loop's order: play one, wait for the other, fill it, play it.
        for (int number = 1; number <= BLOCKS; ++number) {
            const int blockIndex = (number - 1) % 2;
            ASSERT_EQ(device->waitUntilFree(blockIndex, 5s), BlockWait::free) << number;
            markBlock(storage[blockIndex].data(), number);
            device->play(blockIndex);
        }
        ASSERT_EQ(device->waitUntilFree(0, 5s), BlockWait::free);
        ASSERT_EQ(device->waitUntilFree(1, 5s), BlockWait::free);
        device->close();
    }
    std::vector<int> expected(BLOCKS);
    for (int number = 1; number <= BLOCKS; ++number) expected[number - 1] = number;
    EXPECT_EQ(blocksHeard(capture), expected);
}

} // namespace
} // namespace chimora
