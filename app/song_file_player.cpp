// Song files: the random pick and the load. The file is read before anything else happens, so
// that a file that cannot be read leaves the music that plays untouched.
#include "song_file_player.h"

#include "app_paths.h"

#include <mutex>
#include <vector>

namespace chimora {
namespace {

constexpr std::uint8_t LINE_FEED = 10;

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

SongFilePlayer::SongFilePlayer(Engine& engine, const Settings& settings,
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
    const std::size_t lengthBytes = bytes.size();
    // The song loader may read one byte past the text; a line feed ends any last line.
    bytes.push_back(LINE_FEED);
    stopForSong();
    loadSongAtNormalPriority(bytes.data(), lengthBytes);
    return true;
}

void SongFilePlayer::stopForSong() {
    std::lock_guard<std::mutex> lock(engine_.engineLock);
    engine_.setMasterGain(settings_.melodyGain);
    engine_.stopAllChannels();
    engine_.clearAllEvents();
}

void SongFilePlayer::loadSongAtNormalPriority(const std::uint8_t* text, std::size_t lengthBytes) {
    NormalPriorityScope normalPriority(renderPriority_);
    std::lock_guard<std::mutex> lock(engine_.engineLock);
    engine_.loadSong(text, lengthBytes);
}

} // namespace chimora
