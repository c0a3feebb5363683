// Warnings for song files that the clock will read differently from what their author meant:
// line ends, a byte-order mark, comment lines that look like channel lines, characters that are
// no command, a channel or a song that makes no sound, a song that never ends or outlasts the
// 26 seconds before the hour. They only describe; what the engine reads is unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace chimora {

struct SongWarning {
    std::size_t line = 0; // 1-based, as an editor counts lines (LF); 0 for the whole song
    std::string text;
};

// The song's bytes as read from the file (without the line feed that reading adds). Compiles
// and briefly renders the song on an engine of its own.
std::vector<SongWarning> findSongWarnings(const std::vector<std::uint8_t>& song);

} // namespace chimora
