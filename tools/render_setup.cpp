// The start sequences the renderer shares with the clock.
#include "render_setup.h"

namespace chimora {

void startSongFile(Engine& engine, const std::vector<std::uint8_t>& bytesWithLineFeed,
                   double gain) {
    const std::lock_guard<std::mutex> lock(engine.engineLock);
    engine.setMasterGain(gain);
    engine.stopAllChannels();
    engine.clearAllEvents();
    engine.loadSong(bytesWithLineFeed.data(), bytesWithLineFeed.size() - 1);
}

void startChime(Engine& engine, std::span<const ChimeVoice> voices) {
    const std::lock_guard<std::mutex> lock(engine.engineLock);
    playChimeTexts(engine, voices);
}

std::span<const ChimeVoice> chimeVoicesNamed(std::string_view name) {
    if (name == "quarter") return QUARTER_CHIME;
    if (name == "half") return HALF_CHIME;
    if (name == "hour") return HOUR_CHIME;
    return {};
}

} // namespace chimora
