// Fuzz target: any bytes as a song file, loaded and played for a few blocks.
#include "engine.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {
constexpr int BLOCKS = 4;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Like the song-file player: the bytes and a line feed after them.
    std::vector<std::uint8_t> file(data, data + size);
    file.push_back('\n');
    const auto owner = std::make_unique<chimora::Engine>();
    chimora::Engine& engine = *owner;
    engine.loadSong(file.data(), size);
    std::vector<std::int16_t> block(chimora::BLOCK_SAMPLES);
    for (int i = 0; i < BLOCKS; ++i) engine.mixBlock(block.data(), chimora::BLOCK_BYTES);
    return 0;
}
