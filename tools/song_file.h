// Reading a song file as the clock does: all its bytes (startSongFile adds the line feed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chimora {

// Song path that selects standard input.
inline constexpr char STDIN_PATH[] = "-";

// Fills bytes with the song's contents. The song is a regular file,
// a pipe, or standard input for "-"; at most SONG_FILE_MAX_BYTES are taken. False with a
// message in error when the song cannot be opened or read, is larger than that, or is a
// folder, a device or a socket (which are refused without being read).
bool readSongFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace chimora
