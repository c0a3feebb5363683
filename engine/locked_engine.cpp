// Every operation on the shared engine, each under the engine lock.
#include "locked_engine.h"

#include "song_start.h"

namespace chimora {

void LockedEngine::startSongFile(std::span<const std::uint8_t> fileBytes, double gain) {
    const std::lock_guard<std::mutex> lock(engineLock);
    chimora::startSongFile(engine_, fileBytes, gain);
}

void LockedEngine::startChime(ChimeName chime) {
    const std::lock_guard<std::mutex> lock(engineLock);
    chimora::startChime(engine_, chime);
}

void LockedEngine::stopAllChannels() {
    const std::lock_guard<std::mutex> lock(engineLock);
    engine_.stopAllChannels();
}

std::uint8_t LockedEngine::countActiveChannels() {
    const std::lock_guard<std::mutex> lock(engineLock);
    return engine_.countActiveChannels();
}

void LockedEngine::setMasterGain(double gain) {
    const std::lock_guard<std::mutex> lock(engineLock);
    engine_.setMasterGain(gain);
}

void LockedEngine::makeAllTextsEmpty() {
    const std::lock_guard<std::mutex> lock(engineLock);
    engine_.makeAllTextsEmpty();
}

void LockedEngine::releaseAllTexts() {
    const std::lock_guard<std::mutex> lock(engineLock);
    engine_.releaseAllTexts();
}

void LockedEngine::mixBlock(std::int16_t* block, std::int32_t lengthBytes) {
    const std::lock_guard<std::mutex> lock(engineLock);
    engine_.mixBlock(block, lengthBytes);
}

} // namespace chimora
