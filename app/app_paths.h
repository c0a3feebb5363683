// The paths the program uses, all relative to the current directory and formed with the
// platform's path separator (chosen by the build: app/win32 or app/posix).
#pragma once

#include "path_separator.h"

#include <cstddef>
#include <string>

namespace chimora {

// Longest path the program forms, in characters including the terminating NUL.
constexpr std::size_t PATH_BUFFER_CHARS = 260;

constexpr char SONG_FOLDER[] = "jihomml";

inline std::string settingsFilePath() { return std::string(".") + PATH_SEPARATOR + "switch.ini"; }

// "jihomml<separator>name": a name or a wildcard pattern inside the song folder.
inline std::string songFolderPath(const std::string& name) {
    return std::string(SONG_FOLDER) + PATH_SEPARATOR + name;
}

} // namespace chimora
