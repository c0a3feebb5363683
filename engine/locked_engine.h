// The one way into a shared engine while a render thread mixes it: each operation takes the
// engine lock for itself, so no caller can forget it. The render thread mixes through the same
// object. The raw Engine takes no lock; tests and the offline renderer drive it directly.
#pragma once

#include "chime.h"
#include "engine.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <utility>

namespace chimora {

class LockedEngine {
public:
    // The engine must outlive this object, and every thread that shares it must go through
    // this one object.
    explicit LockedEngine(Engine& engine) : engine_(engine) {}
    LockedEngine(const LockedEngine&) = delete;
    LockedEngine& operator=(const LockedEngine&) = delete;

    // --- Window thread ------------------------------------------------------------------
    // startSongFile (song_start.h): the song file's bytes at the given master gain.
    void startSongFile(std::span<const std::uint8_t> fileBytes, double gain);
    // startChime (chime.h): the chime as the clock plays it, at master gain 2.7.
    void startChime(ChimeName chime);
    void stopAllChannels();
    // Number of channels whose sequencer runs (0..8).
    std::uint8_t countActiveChannels();
    // A gain of 0 or more, from the next sample mixed; a negative gain or NaN is ignored.
    void setMasterGain(double gain);
    // Window creation and destruction: the eight channel texts made empty / released.
    void makeAllTextsEmpty();
    void releaseAllTexts();

    // Runs change(engine) under the engine lock and gives back its result: for what the
    // operations above do not cover, such as a test setting channels up. Any thread.
    template <typename Change> decltype(auto) apply(Change&& change) {
        const std::lock_guard<std::mutex> lock(engineLock);
        return std::forward<Change>(change)(engine_);
    }

    // --- Render thread ------------------------------------------------------------------
    // One whole 6000-byte block, with the lock held for all of it, so that no change of the
    // window thread lands in the middle of a frame.
    void mixBlock(std::int16_t* block, std::int32_t lengthBytes);

private:
    Engine& engine_;
    std::mutex engineLock;
};

} // namespace chimora
