// Giving a user's working folder the songs shipped with the program, so that a fresh install
// plays a melody before every hour. The program calls this once at start, on its main thread,
// before the scheduler runs; it only ever adds a "jihomml" folder that was not there, and never
// changes, replaces or deletes anything the user has.
#pragma once

#include <filesystem>
#include <string>

namespace chimora {

enum class SeedOutcome {
    seeded,         // "jihomml" was missing and now holds the shipped songs
    alreadyPresent, // the folder has an entry named "jihomml" (of any kind): nothing was touched
    nothingShipped, // no shipped song folder, or no song in it: nothing was created
    failed,         // the songs could not be copied: the folder is as it was
};

struct SeedReport {
    SeedOutcome outcome = SeedOutcome::nothingShipped;
    int songsCopied = 0;
    std::string problem; // when failed: what went wrong, naming the path
};

// Where an installed program finds its songs: <prefix>/share/chimora/jihomml for the program
// at <prefix>/bin/<name>, wherever the prefix is (/usr, /usr/local, an unpacked archive).
std::filesystem::path shippedSongFolderFor(const std::filesystem::path& executable);

// If `workingFolder` has no entry named "jihomml", copies every regular ".mml" file of
// `shippedSongs` into a new "jihomml" there. The copies are made in a scratch folder beside it
// that is renamed into place as a whole, so that a seeding that fails or is interrupted leaves
// no half-filled "jihomml" and is tried again at the next start.
SeedReport seedSongFolder(const std::filesystem::path& shippedSongs,
                          const std::filesystem::path& workingFolder);

} // namespace chimora
