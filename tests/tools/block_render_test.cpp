// The render loop: how many blocks it writes, when it stops, and what it says about it.
#include "block_render.h"
#include "chime.h"
#include "render_test_support.h"
#include "song_start.h"

#include <gtest/gtest.h>

#include <string>

namespace chimora {
namespace {

using testing::MemorySink;

void loadText(Engine& engine, const std::string& song) {
    std::vector<std::uint8_t> bytes(song.begin(), song.end());
    startSongFile(engine, bytes, 1.0);
}

TEST(BlockRenderTest, SecondsBecomeWholeBlocksRoundedUp) {
    EXPECT_EQ(blocksCovering(0.0), 0.0);
    EXPECT_EQ(blocksCovering(1.0), 30.0); // 29.4
    EXPECT_EQ(blocksCovering(10.0), 294.0);
    EXPECT_EQ(blocksCovering(SONG_END_LIMIT_SECONDS), 17640.0);
}

TEST(BlockRenderTest, UntilSilentEndsWithTheBlockInWhichTheLastChannelStopped) {
    Engine engine;
    loadText(engine, "0c8x\r\n1c4x\r\n"); // channel 1 stops at frame 16035, in block 11
    MemorySink sink;
    const RenderResult result = renderBlocks(engine, sink, 100, true);
    EXPECT_EQ(result.blocksWritten, 11u);
    EXPECT_FALSE(result.stoppedAtLimit);
    EXPECT_FALSE(result.sinkFailed);
    EXPECT_EQ(sink.bytes.size(), 11u * BLOCK_BYTES);
    EXPECT_TRUE(sink.finished);
}

TEST(BlockRenderTest, AnEmptySongStillGivesOneBlock) {
    Engine engine;
    loadText(engine, "; nothing to play\r\n");
    MemorySink sink;
    EXPECT_EQ(renderBlocks(engine, sink, 100, true).blocksWritten, 1u);
}

TEST(BlockRenderTest, ALoopingSongStopsAtTheLimitAndSaysSo) {
    Engine engine;
    loadText(engine, "0Lc\r\n");
    MemorySink sink;
    const RenderResult result = renderBlocks(engine, sink, 4, true);
    EXPECT_EQ(result.blocksWritten, 4u);
    EXPECT_TRUE(result.stoppedAtLimit);
}

TEST(BlockRenderTest, AFixedLengthRendersOnPastTheEnd) {
    Engine engine;
    loadText(engine, "0c8x\r\n");
    MemorySink sink;
    const RenderResult result = renderBlocks(engine, sink, 20, false);
    EXPECT_EQ(result.blocksWritten, 20u);
    EXPECT_FALSE(result.stoppedAtLimit);
    EXPECT_EQ(sink.bytes.back(), 0) << "silence after the end";
}

TEST(BlockRenderTest, AFailingSinkStopsTheLoop) {
    Engine engine;
    MemorySink sink;
    sink.failAfterBlocks = 2;
    const RenderResult result = renderBlocks(engine, sink, 10, false);
    EXPECT_TRUE(result.sinkFailed);
    EXPECT_EQ(result.blocksWritten, 2u);
    EXPECT_FALSE(sink.finished);
}

TEST(BlockRenderTest, ChimesAndSongsStartAsTheClockStartsThem) {
    Engine engine;
    engine.setMasterGain(0.3);
    engine.compileChannel(4, "L c");
    engine.startChannel(4);
    startChime(engine, ChimeName::half);
    EXPECT_EQ(engine.masterGain.load(), 2.7);
    EXPECT_EQ(engine.channels[0].active, 1);
    EXPECT_EQ(engine.channels[1].active, 1);
    EXPECT_EQ(engine.channels[4].active, 1) << "a chime leaves the other channels alone";
    EXPECT_EQ(engine.eventBuffers[4][0], EV_END) << "but clears every buffer";
    EXPECT_FALSE(chimeNamed("noon"));

    loadText(engine, "2c\r\n");
    EXPECT_EQ(engine.masterGain.load(), 1.0);
    EXPECT_EQ(engine.countActiveChannels(), 1);
    EXPECT_EQ(engine.channels[2].active, 1);
}

} // namespace
} // namespace chimora
