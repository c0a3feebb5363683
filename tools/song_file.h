// Reading a song file as the clock does: all its bytes, with one line feed after the last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chimora {

// Fills bytes with the file's contents plus a trailing line feed. False with a message in
// error when the file cannot be opened or read.
bool readSongFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace chimora
