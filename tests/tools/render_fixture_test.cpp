// Whole renders pinned by hash: the three chimes and the example song, rendered until they end.
// The pins were checked against a separate model of the synthesis, sample for sample; a
// change here means the sound changed.
#include "block_render.h"
#include "chime.h"
#include "render_test_support.h"
#include "song_file.h"
#include "song_start.h"

#include <gtest/gtest.h>

#include <memory>

namespace chimora {
namespace {

using testing::fnv1a;
using testing::MemorySink;

constexpr std::uint64_t SONG_END_LIMIT_BLOCKS = 17640;

struct Pin {
    std::uint64_t blocks;
    std::uint64_t hash; // FNV-1a of the little-endian samples
};

Pin renderUntilSilent(Engine& engine) {
    MemorySink sink;
    const RenderResult result = renderBlocks(engine, sink, SONG_END_LIMIT_BLOCKS, true);
    EXPECT_FALSE(result.stoppedAtLimit);
    return {result.blocksWritten, fnv1a(sink.bytes)};
}

struct ChimePin {
    const char* name;
    Pin pin;
};

TEST(RenderFixtureTest, ChimesRenderAsPinned) {
    const ChimePin pins[] = {
        {"quarter", {118, 0x5694f08eb7d941d1ull}},
        {"half", {67, 0x2fd3997a693df1b9ull}},
        {"hour", {133, 0xaa57e382fb26fd6dull}},
    };
    for (const ChimePin& item : pins) {
        auto engine = std::make_unique<Engine>();
        startChime(*engine, *chimeNamed(item.name));
        const Pin rendered = renderUntilSilent(*engine);
        EXPECT_EQ(rendered.blocks, item.pin.blocks) << item.name;
        EXPECT_EQ(rendered.hash, item.pin.hash) << item.name << std::hex << ": 0x" << rendered.hash;
    }
}

TEST(RenderFixtureTest, ExampleSongRendersAsPinned) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(readSongFile(CHIMORA_SONGS_DIR "/example.mml", bytes, error)) << error;
    auto engine = std::make_unique<Engine>();
    startSongFile(*engine, bytes, 1.0);
    const Pin rendered = renderUntilSilent(*engine);
    EXPECT_EQ(rendered.blocks, 471u) << "about 16 seconds";
    EXPECT_EQ(rendered.hash, 0x35b79cc909dd163bull) << std::hex << "0x" << rendered.hash;
}

} // namespace
} // namespace chimora
