// Starting a built-in chime on the engine, shared by the clock's scheduler and the renderer.
#pragma once

#include "chime_texts.h"
#include "engine.h"

#include <span>

namespace chimora {

// Master gain that every chime plays at.
constexpr double CHIME_MASTER_GAIN = 2.7;

struct ChimeVoice {
    int channel;      // 0..7
    const char* text; // NUL-terminated MML
};

// The three chimes as the clock plays them: which text goes to which channel.
inline constexpr ChimeVoice QUARTER_CHIME[] = {{0, CHIME_QUARTER}};
inline constexpr ChimeVoice HALF_CHIME[] = {{0, CHIME_HALF_A}, {1, CHIME_HALF_B}};
inline constexpr ChimeVoice HOUR_CHIME[] = {{0, CHIME_HOUR_A}, {1, CHIME_HOUR_B}};

// Sets the master gain to 2.7, clears every event buffer, compiles each voice into its channel,
// then starts those channels in the same order. Other channels keep their state.
// Window thread; the caller holds engineLock.
void playChimeTexts(Engine& engine, std::span<const ChimeVoice> voices);

} // namespace chimora
