// The song-file start sequence.
#include "song_start.h"

#include <vector>

namespace chimora {
namespace {

constexpr std::uint8_t LINE_FEED = 10;

} // namespace

void startSongFile(Engine& engine, std::span<const std::uint8_t> fileBytes, double gain) {
    std::vector<std::uint8_t> text(fileBytes.begin(), fileBytes.end());
    text.push_back(LINE_FEED); // ends any last line; never part of a channel's text
    engine.setMasterGain(gain);
    engine.stopAllChannels();
    engine.clearAllEvents();
    engine.loadSong(text.data(), fileBytes.size());
}

} // namespace chimora
