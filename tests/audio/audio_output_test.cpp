#include "audio_output.h"
#include "locked_engine.h"
#include "test_wave_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace chimora {
namespace {

using namespace std::chrono_literals;
using testing::Block;
using testing::TestWaveDevice;

// About 24 blocks of a scale on channel 0, then the channel stops.
constexpr char SCALE[] = "t150 o4 l16 cdefgab>c x";

void startScale(Engine& engine) {
    engine.clearAllEvents();
    engine.compileChannel(0, SCALE);
    engine.startChannel(0);
}

const Block SILENCE(BLOCK_SAMPLES, 0);

// What the mixer makes of the scale, block by block, on an engine of its own.
std::vector<Block> mixedScaleBlocks(int count) {
    Engine engine;
    LockedEngine lockedEngine{engine};
    startScale(engine);
    std::vector<Block> blocks(count, Block(BLOCK_SAMPLES));
    for (Block& block : blocks) engine.mixBlock(block.data(), BLOCK_BYTES);
    return blocks;
}

bool waitUntilThreadEnds(const AudioOutput& output) {
    for (int tries = 0; tries < 500 && output.renderThreadRunning(); ++tries) {
        std::this_thread::sleep_for(10ms);
    }
    return !output.renderThreadRunning();
}

class AudioOutputTest : public ::testing::Test {
protected:
    std::vector<Block> playBlocks(int count) {
        for (int block = 0; block < count; ++block) EXPECT_TRUE(device.playBlock());
        return device.playedBlocks();
    }

    Engine engine;

    LockedEngine lockedEngine{engine};
    TestWaveDevice device;
    // A short wait limit and pause keep the stall and re-acquire quick.
    AudioOutput output{lockedEngine, device, 200ms, 10ms};
};

TEST_F(AudioOutputTest, OpensTheDeviceForCdQualityStereo) {
    output.initAudioOutput();
    const PcmFormat format = device.openedFormat();
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSecond, 44100u);
    EXPECT_EQ(format.averageBytesPerSecond, 176400u);
    EXPECT_EQ(format.blockAlignBytes, 4);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.extraBytes, 0);
    EXPECT_TRUE(output.deviceOpen());
}

TEST_F(AudioOutputTest, StreamsSilenceFirstThenEveryMixedBlockInOrder) {
    startScale(engine);
    output.initAudioOutput();
    const std::vector<Block> played = playBlocks(12);

    // The first block leaves before anything is mixed; after it each block is the mixer's
    // next, with none skipped or repeated, while the two blocks take turns.
    std::vector<Block> expected = mixedScaleBlocks(11);
    expected.insert(expected.begin(), SILENCE);
    EXPECT_EQ(played, expected);
    EXPECT_NE(played[1], SILENCE);
    const std::vector<std::string> calls = device.calls();
    std::vector<std::string> writes;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(writes),
                 [](const std::string& call) { return call.starts_with("write"); });
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(writes[i], i % 2 ? "write 1" : "write 0");
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST_F(AudioOutputTest, WithNoTuneTheDeviceReceivesOnlySilence) {
    output.initAudioOutput();
    for (const Block& block : playBlocks(6)) EXPECT_EQ(block, SILENCE);
}

TEST_F(AudioOutputTest, StallsAfterTheWaitLimitAndReacquireResumesTheChannels) {
    startScale(engine);
    output.initAudioOutput();
    // The device never plays: after the two blocks are queued the thread waits in vain.
    ASSERT_TRUE(waitUntilThreadEnds(output));
    EXPECT_EQ(device.writeCount(), 2);
    EXPECT_TRUE(device.isOpen()); // a stall leaves the device as it is

    output.reacquireAudio();
    EXPECT_TRUE(output.renderThreadRunning());
    const std::vector<Block> played = playBlocks(4);

    // Block 1 was mixed before the stall; the channel carries on from there.
    const std::vector<Block> mixed = mixedScaleBlocks(4);
    const std::vector<Block> expected = {SILENCE, mixed[1], mixed[2], mixed[3]};
    EXPECT_EQ(played, expected);
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST_F(AudioOutputTest, DeviceThatDisappearsWhilePlayingIsTakenUpAgainWhenItReturns) {
    startScale(engine);
    output.initAudioOutput();
    playBlocks(3);
    // Unplugged: nothing more is played and nothing can be opened.
    device.failOpens();
    ASSERT_TRUE(waitUntilThreadEnds(output));

    output.reacquireAudio(); // while it is gone: no device, and the thread gives up again
    EXPECT_FALSE(output.deviceOpen());
    ASSERT_TRUE(waitUntilThreadEnds(output));

    device.failOpens(false); // plugged back in
    output.reacquireAudio();
    EXPECT_TRUE(output.deviceOpen());
    const std::vector<Block> played = playBlocks(3);
    ASSERT_EQ(played.size(), 6u);
    // Silence first, then the scale goes on where the mixer had got to: blocks 0..3 were mixed
    // before the device vanished (two of them were still queued and are lost with it).
    const std::vector<Block> mixed = mixedScaleBlocks(6);
    const std::vector<Block> expected = {SILENCE, mixed[0], mixed[1], SILENCE, mixed[4], mixed[5]};
    EXPECT_EQ(played, expected);
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST_F(AudioOutputTest, DeviceThatCannotOpenEndsTheThreadAfterTheWaitLimit) {
    device.failOpens();
    output.initAudioOutput();
    EXPECT_FALSE(output.deviceOpen());
    EXPECT_TRUE(waitUntilThreadEnds(output));
    EXPECT_TRUE(device.playedBlocks().empty());
}

TEST_F(AudioOutputTest, StopRequestedBeforeTheThreadStartsWritesNothing) {
    engine.appendChannelText(3, "cde");
    output.closeAudio(); // no thread yet: this only raises the stop flag and closes the device
    output.renderThread();
    EXPECT_EQ(device.writeCount(), 0);
    EXPECT_EQ(engine.channels[3].textOwned, 0);
}

TEST_F(AudioOutputTest, CloseWakesTheWaitingThreadAndEndsItBeforeTheDeviceCloses) {
    // With a wait limit far beyond the test's patience the thread ends only if woken.
    AudioOutput patientOutput{lockedEngine, device, std::chrono::hours(1), 10ms};
    engine.appendChannelText(5, "cde");
    patientOutput.initAudioOutput();
    playBlocks(3);
    ASSERT_TRUE(device.waitForWrites(4));
    patientOutput.closeAudio();

    EXPECT_FALSE(patientOutput.renderThreadRunning());
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(engine.channels[5].textOwned, 0); // stopped, not stalled: texts released
    // Nothing reaches the device after the reset, and the close finds no block queued.
    const std::vector<std::string> calls = device.calls();
    const std::vector<std::string> tail(calls.end() - 4, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"reset", "unprepare 0", "unprepare 1", "close"}));
    EXPECT_EQ(device.protocolFaults(), 0);
    patientOutput.shutdownAudioOutput();
}

TEST_F(AudioOutputTest, ShutdownEndsTheThreadAndClosesTheDevice) {
    startScale(engine);
    output.initAudioOutput();
    playBlocks(5);
    output.shutdownAudioOutput();
    EXPECT_FALSE(output.renderThreadRunning());
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(device.calls().back(), "close");
    EXPECT_EQ(device.protocolFaults(), 0);
    output.shutdownAudioOutput(); // a second shut-down does nothing
}

TEST_F(AudioOutputTest, ReacquireWhileStreamingStartsAgainFromSilence) {
    startScale(engine);
    output.initAudioOutput();
    playBlocks(3);
    output.reacquireAudio();
    const std::vector<Block> played = playBlocks(2);
    // Blocks left from the old device are not replayed.
    EXPECT_EQ(played[3], SILENCE);
    EXPECT_EQ(device.protocolFaults(), 0);
}

} // namespace
} // namespace chimora
