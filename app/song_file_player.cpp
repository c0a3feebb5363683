// Song files: the random pick and the load. The file is read before anything else happens, so
// that a file that cannot be read leaves the music that plays untouched.
#include "song_file_player.h"

#include "app_paths.h"

#include <vector>

namespace chimora {
namespace {

// Puts the render thread back to time-critical priority however the load ends.
class NormalPriorityScope {
public:
    explicit NormalPriorityScope(RenderPriority& priority) : priority_(priority) {
        priority_.setRenderPriorityNormal();
    }
    ~NormalPriorityScope() { priority_.setRenderPriorityTimeCritical(); }
    NormalPriorityScope(const NormalPriorityScope&) = delete;
    NormalPriorityScope& operator=(const NormalPriorityScope&) = delete;

private:
    RenderPriority& priority_;
};

} // namespace

SongFilePlayer::SongFilePlayer(LockedEngine& engine, const Settings& settings,
                               DirectorySearch& directorySearch, FileReader& fileReader,
                               RenderPriority& renderPriority, RandomSequence& random)
    : engine_(engine), settings_(settings), directorySearch_(directorySearch),
      fileReader_(fileReader), renderPriority_(renderPriority), random_(random) {}

std::optional<std::string> SongFilePlayer::pickRandomFile(const std::string& wildcardPath) {
    const std::vector<std::string> names =
        directorySearch_.findNames(wildcardPath, PICKABLE_NAME_COUNT);
    if (names.empty()) return std::nullopt;
    const std::size_t pick = static_cast<std::size_t>(random_.nextRandom()) % names.size();
    const std::string& name = names[pick];
    if (name.size() > PATH_BUFFER_CHARS - 1) return std::string();
    return name;
}

bool SongFilePlayer::playSongFile(const std::string& path) {
    // A longer path would not fit the path buffer: no such file can be opened.
    if (path.size() > PATH_BUFFER_CHARS - 1) return false;
    std::vector<std::uint8_t> bytes;
    if (!fileReader_.readWholeFile(path, bytes)) return false;
    // The render thread runs at normal priority while the song is split and compiled.
    NormalPriorityScope normalPriority(renderPriority_);
    engine_.startSongFile(bytes, settings_.melodyGain);
    return true;
}

} // namespace chimora
