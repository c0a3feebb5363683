// Starting a song file on the engine, shared by the clock's song-file player and the renderer.
#pragma once

#include "engine.h"

#include <cstdint>
#include <span>

namespace chimora {

// Plays a song file from its bytes (exactly the file's contents) at the given master gain:
// sets the gain, stops every channel, clears every event buffer, then splits, compiles and
// starts the song. A line feed is put after the bytes, as the song loader may read one byte
// past the text. Takes no lock: on a shared engine call it through LockedEngine.
void startSongFile(Engine& engine, std::span<const std::uint8_t> fileBytes, double gain);

} // namespace chimora
