// Picks song files from the folder "jihomml" and plays them on the engine. Window thread only.
#pragma once

#include "directory_search.h"
#include "file_reader.h"
#include "locked_engine.h"
#include "random_sequence.h"
#include "render_priority.h"
#include "settings.h"

#include <cstddef>
#include <optional>
#include <string>

namespace chimora {

// At most this many matches of a search are taken; later ones can never be picked.
constexpr std::size_t PICKABLE_NAME_COUNT = 36;

class SongFilePlayer {
public:
    SongFilePlayer(LockedEngine& engine, const Settings& settings, DirectorySearch& directorySearch,
                   FileReader& fileReader, RenderPriority& renderPriority, RandomSequence& random);

    // A bare name picked at random (one draw) among the first 36 matches of the wildcard path,
    // or nothing when none match. A name too long for the path buffer comes back empty.
    std::optional<std::string> pickRandomFile(const std::string& wildcardPath);

    // Stops what plays and loads the file as a song at the melody gain, with the render thread
    // at normal priority meanwhile. A file that cannot be read changes nothing and gives false.
    bool playSongFile(const std::string& path);

private:
    LockedEngine& engine_;
    const Settings& settings_;
    DirectorySearch& directorySearch_;
    FileReader& fileReader_;
    RenderPriority& renderPriority_;
    RandomSequence& random_;
};

} // namespace chimora
