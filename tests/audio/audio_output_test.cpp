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

// Far beyond any wake-up, yet short enough that a missing one fails the test instead of
// hanging it.
constexpr std::chrono::milliseconds PATIENT_LIMIT = 20s;
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

// What a device hears first from a fresh stream of the scale: silence, then the mixer's blocks.
std::vector<Block> silenceThenScale(int count) {
    std::vector<Block> blocks = mixedScaleBlocks(count - 1);
    blocks.insert(blocks.begin(), SILENCE);
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
    EXPECT_EQ(played, silenceThenScale(12));
    EXPECT_NE(played[1], SILENCE);
    const std::vector<std::string> calls = device.calls();
    std::vector<std::string> plays;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(plays),
                 [](const std::string& call) { return call.starts_with("play"); });
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(plays[i], i % 2 ? "play 1" : "play 0");
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST_F(AudioOutputTest, LosesNoBlockWhenTheDeviceHandsBackBlocksFasterThanTheLoopWaits) {
    // The device plays each block the moment it is queued, so blocks come back while the loop
    // is still mixing or playing, two at a time as often as not.
    startScale(engine);
    output.initAudioOutput();
    EXPECT_EQ(playBlocks(40), silenceThenScale(40));
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
    EXPECT_EQ(device.playCount(), 2);
    EXPECT_TRUE(device.isOpen()); // a stall leaves the device as it is
    EXPECT_EQ(output.deviceProblem(), "the sound device stopped handing blocks back");

    output.reacquireAudio();
    EXPECT_TRUE(output.renderThreadRunning());
    const std::vector<Block> played = playBlocks(4);

    // Block 1 was mixed before the stall; the channel carries on from there.
    const std::vector<Block> mixed = mixedScaleBlocks(4);
    const std::vector<Block> expected = {SILENCE, mixed[1], mixed[2], mixed[3]};
    EXPECT_EQ(played, expected);
    EXPECT_EQ(device.protocolFaults(), 0);
}

TEST_F(AudioOutputTest, DeviceThatFailsWhilePlayingIsReportedAndTakenUpAgainWhenItReturns) {
    // With a wait limit far beyond the test's patience only the failure can end the thread.
    AudioOutput patientOutput{lockedEngine, device, PATIENT_LIMIT, 10ms};
    startScale(engine);
    engine.appendChannelText(5, "cde");
    patientOutput.initAudioOutput();
    playBlocks(3);
    ASSERT_TRUE(device.waitForBlockedWait());
    // Unplugged: the device fails, and nothing can be opened.
    device.failOpens();
    device.failWhilePlaying();
    ASSERT_TRUE(waitUntilThreadEnds(patientOutput));
    EXPECT_EQ(patientOutput.deviceProblem(), "the test device was unplugged");
    EXPECT_TRUE(device.isOpen()); // ended like a stall: the device stays as it is
    EXPECT_EQ(engine.channels[5].textOwned, 1);

    patientOutput.reacquireAudio(); // while it is gone: no device; the close wakes this thread
    EXPECT_FALSE(patientOutput.deviceOpen());
    EXPECT_EQ(patientOutput.deviceProblem(), "the test device refuses to open");

    device.failOpens(false); // plugged back in
    patientOutput.reacquireAudio();
    EXPECT_TRUE(patientOutput.deviceOpen());
    EXPECT_EQ(patientOutput.deviceProblem(), "");
    const std::vector<Block> played = playBlocks(3);
    ASSERT_EQ(played.size(), 6u);
    // Silence first, then the scale goes on where the mixer had got to: blocks 0..3 were mixed
    // before the device vanished (two of them were still queued and are lost with it).
    const std::vector<Block> mixed = mixedScaleBlocks(6);
    const std::vector<Block> expected = {SILENCE, mixed[0], mixed[1], SILENCE, mixed[4], mixed[5]};
    EXPECT_EQ(played, expected);
    EXPECT_EQ(device.protocolFaults(), 0);
    patientOutput.shutdownAudioOutput();
}

TEST_F(AudioOutputTest, DeviceThatCannotOpenEndsTheThreadAfterTheWaitLimit) {
    device.failOpens();
    output.initAudioOutput();
    EXPECT_FALSE(output.deviceOpen());
    EXPECT_EQ(output.deviceProblem(), "the test device refuses to open");
    EXPECT_TRUE(waitUntilThreadEnds(output));
    EXPECT_TRUE(device.playedBlocks().empty());
}

TEST_F(AudioOutputTest, StopRequestedBeforeTheThreadStartsWritesNothing) {
    engine.appendChannelText(3, "cde");
    output.closeAudio(); // no thread yet: this only raises the stop flag and closes the device
    output.renderThread();
    EXPECT_EQ(device.playCount(), 0);
    EXPECT_EQ(engine.channels[3].textOwned, 0);
}

TEST_F(AudioOutputTest, CloseWakesTheWaitingThreadAndEndsItBeforeTheDeviceCloses) {
    // With a wait limit far beyond the test's patience the thread ends only if woken.
    AudioOutput patientOutput{lockedEngine, device, PATIENT_LIMIT, 10ms};
    engine.appendChannelText(5, "cde");
    patientOutput.initAudioOutput();
    playBlocks(3);
    ASSERT_TRUE(device.waitForBlockedWait());
    patientOutput.closeAudio();

    EXPECT_FALSE(patientOutput.renderThreadRunning());
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(engine.channels[5].textOwned, 0); // stopped, not stalled: texts released
    // Nothing reaches the device after the stop.
    const std::vector<std::string> calls = device.calls();
    const std::vector<std::string> tail(calls.end() - 3, calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"play 0", "stop", "close"}));
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
