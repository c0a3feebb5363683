// Starting a built-in chime on the engine, shared by the clock's scheduler and the renderer.
#pragma once

#include "chime_texts.h"
#include "engine.h"

#include <optional>
#include <span>
#include <string_view>

namespace chimora {

// Master gain that every chime plays at.
constexpr double CHIME_MASTER_GAIN = 2.7;

// The three built-in chimes: the quarter hour, the half hour and the full hour.
enum class ChimeName { quarter, half, hour };

struct ChimeVoice {
    int channel;      // 0..7
    const char* text; // NUL-terminated MML
};

// The chime called "quarter", "half" or "hour"; nothing for any other name.
std::optional<ChimeName> chimeNamed(std::string_view name);

// Which text goes to which channel: the quarter on channel 0, the half and the hour on 0 and 1.
std::span<const ChimeVoice> chimeVoices(ChimeName chime);

// Starts the chime as the clock plays it: master gain 2.7, every event buffer cleared, then
// each voice's channel stopped (a running channel refuses to compile, and the chime takes it
// over), compiled and started in voice order. Other channels keep their state.
// Takes no lock: on a shared engine call it through LockedEngine.
void startChime(Engine& engine, ChimeName chime);

} // namespace chimora
