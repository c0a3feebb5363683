// Bringing a fresh engine to the point where the clock starts playing: a song file or a chime.
// Both take engineLock for the change, as the clock's window thread does.
#pragma once

#include "chime.h"
#include "engine.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace chimora {

// Plays a song file's bytes (with the line feed after them, which is not part of the song):
// master gain, stop all channels, clear all buffers, load the song.
void startSongFile(Engine& engine, const std::vector<std::uint8_t>& bytesWithLineFeed, double gain);

// Starts a chime exactly as the clock's scheduler does (master gain 2.7, buffers cleared, the
// voices compiled and started).
void startChime(Engine& engine, std::span<const ChimeVoice> voices);

// The voices of the chime called "quarter", "half" or "hour"; empty for any other name.
std::span<const ChimeVoice> chimeVoicesNamed(std::string_view name);

} // namespace chimora
