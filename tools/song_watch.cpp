// A save shows as a new modification time or size; a file that is briefly missing (an editor
// that writes a new file and renames it over the old one) counts as a change too.
#include "song_watch.h"

#include <filesystem>

namespace chimora {

SongWatch::SongWatch(std::string path)
    : path_(std::move(path)), nextLook_(std::chrono::steady_clock::now()) {
    markRead();
}

SongWatch::Stamp SongWatch::look() const {
    Stamp stamp;
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path_, error);
    if (error) return stamp;
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    if (error) return stamp;
    stamp.exists = true;
    stamp.modified =
        std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    stamp.size = size;
    return stamp;
}

void SongWatch::markRead() { read_ = lastLook_ = look(); }

bool SongWatch::saved() {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook_) return false;
    nextLook_ = now + LOOK_INTERVAL;
    const Stamp stamp = look();
    const bool settled = stamp == lastLook_;
    lastLook_ = stamp;
    return settled && stamp.exists && !(stamp == read_);
}

} // namespace chimora
