// The null device: real-time pace without sound. Only lower bounds on time are checked (a wait
// never ends early); how late it may end depends on the machine.
#include "engine.h"
#include "null_wave_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace chimora {
namespace {

using namespace std::chrono_literals;

// Far beyond any wake-up, yet short enough that a missing one fails the test instead of
// hanging it.
constexpr std::chrono::milliseconds PATIENT_LIMIT = 20s;
using Clock = std::chrono::steady_clock;

class NullWaveDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        blocks.data[0] = storage[0];
        blocks.data[1] = storage[1];
        blocks.lengthBytes = BLOCK_BYTES;
    }

    std::int16_t storage[2][BLOCK_SAMPLES] = {};
    PcmBlocks blocks;
    NullWaveDevice device;
    const Clock::duration blockTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(BLOCK_FRAMES / static_cast<double>(SAMPLE_RATE)));
};

TEST_F(NullWaveDeviceTest, HandsBlocksBackAtTheSoundCardsPace) {
    ASSERT_TRUE(device.open(PcmFormat{}, blocks));
    const Clock::time_point start = Clock::now();
    // The loop's order: one block playing, the other queued behind it.
    device.play(0);
    EXPECT_EQ(device.waitUntilFree(1, 1s), BlockWait::free); // never played: free at once
    constexpr int BLOCKS = 8;
    for (int played = 1; played < BLOCKS; ++played) {
        device.play(played % 2);
        ASSERT_EQ(device.waitUntilFree((played + 1) % 2, 1s), BlockWait::free);
        // Block `played - 1` has finished: it started no earlier than `start`.
        EXPECT_GE(Clock::now() - start, played * blockTime) << "block " << played;
    }
    device.close();
}

TEST_F(NullWaveDeviceTest, StopWakesAWaitAndHoldsUntilTheNextOpen) {
    ASSERT_TRUE(device.open(PcmFormat{}, blocks));
    device.play(0);
    device.play(1);
    std::thread stopper([this] {
        std::this_thread::sleep_for(20ms);
        device.stop();
    });
    // Block 1 is done 68 ms in; on a very busy machine that may come before the stop, so the
    // first result may be either. Once stopped, every wait says so at once.
    const BlockWait first = device.waitUntilFree(1, PATIENT_LIMIT);
    stopper.join();
    EXPECT_TRUE(first == BlockWait::stopped || first == BlockWait::free);
    EXPECT_EQ(device.waitUntilFree(1, PATIENT_LIMIT), BlockWait::stopped);
    device.close();
    ASSERT_TRUE(device.open(PcmFormat{}, blocks));
    EXPECT_EQ(device.waitUntilFree(0, 1s), BlockWait::free);
}

TEST_F(NullWaveDeviceTest, ClosedDeviceHandsNothingBack) {
    device.play(0);
    EXPECT_EQ(device.waitUntilFree(0, 20ms), BlockWait::timedOut);
    std::thread stopper([this] {
        std::this_thread::sleep_for(20ms);
        device.stop();
    });
    const Clock::time_point waitStart = Clock::now();
    EXPECT_EQ(device.waitUntilFree(0, PATIENT_LIMIT), BlockWait::stopped);
    // Woken by the stop, not by the end of the wait (which would say `stopped` too).
    EXPECT_LT(Clock::now() - waitStart, PATIENT_LIMIT / 2);
    stopper.join();
}

} // namespace
} // namespace chimora
