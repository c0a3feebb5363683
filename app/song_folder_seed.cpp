#include "song_folder_seed.h"

#include "app_paths.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

namespace chimora {
namespace fs = std::filesystem;

namespace {

bool hasSongExtension(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mml";
}

std::vector<fs::path> shippedSongFiles(const fs::path& folder) {
    std::vector<fs::path> songs;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && hasSongExtension(it->path())) {
            songs.push_back(it->path());
        }
    }
    if (error) songs.clear();
    std::sort(songs.begin(), songs.end());
    return songs;
}

// True unless the path is known not to exist: a dangling link, or an entry that cannot be
// examined, counts as present and is left alone.
bool entryMayExist(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    return status.type() != fs::file_type::not_found;
}

// A new, empty folder beside the song folder, with a name that is not in use.
bool makeScratchFolder(const fs::path& workingFolder, fs::path& scratch, std::error_code& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        scratch = workingFolder /
                  ("." + std::string(SONG_FOLDER) + "-seeding-" + std::to_string(attempt));
        if (fs::create_directory(scratch, error)) return true;
        if (error) return false;
    }
    error = std::make_error_code(std::errc::file_exists);
    return false;
}

SeedReport failure(const fs::path& path, const std::error_code& error) {
    return {SeedOutcome::failed, 0,
            "cannot copy the shipped songs to '" + path.string() + "': " + error.message()};
}

} // namespace

fs::path shippedSongFolderFor(const fs::path& executable) {
    return executable.parent_path().parent_path() / "share" / "chimora" / SONG_FOLDER;
}

SeedReport seedSongFolder(const fs::path& shippedSongs, const fs::path& workingFolder) {
    const fs::path songFolder = workingFolder / SONG_FOLDER;
    if (entryMayExist(songFolder)) return {SeedOutcome::alreadyPresent, 0, {}};
    const std::vector<fs::path> songs = shippedSongFiles(shippedSongs);
    if (songs.empty()) return {SeedOutcome::nothingShipped, 0, {}};

    std::error_code error;
    fs::path scratch;
    if (!makeScratchFolder(workingFolder, scratch, error)) return failure(songFolder, error);
    for (const fs::path& song : songs) {
        if (!fs::copy_file(song, scratch / song.filename(), error)) break;
    }
    // Checked again just before the rename: a song folder that appeared meanwhile (another
    // instance starting, or the user) is kept, and the copies are dropped.
    if (!error && entryMayExist(songFolder)) {
        fs::remove_all(scratch, error);
        return {SeedOutcome::alreadyPresent, 0, {}};
    }
    if (!error) fs::rename(scratch, songFolder, error);
    if (error) {
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
        return failure(songFolder, error);
    }
    return {SeedOutcome::seeded, static_cast<int>(songs.size()), {}};
}

} // namespace chimora
