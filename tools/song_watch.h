// --watch: notices when the song file has been saved, by looking at its modification time and
// size every few tenths of a second (the same on every platform and file system).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace chimora {

class SongWatch {
public:
    explicit SongWatch(std::string path);

    // Remembers the file as it is now: call it just before reading the file.
    void markRead();
    // True once the file differs from what markRead() saw and has then stayed the same for one
    // look, so that a file an editor writes in pieces is read whole. Looks at most every
    // LOOK_INTERVAL; call it as often as convenient.
    bool saved();

    static constexpr std::chrono::milliseconds LOOK_INTERVAL{150};

private:
    struct Stamp {
        bool exists = false;
        std::int64_t modified = 0; // nanoseconds of the file clock
        std::uintmax_t size = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp look() const;

    std::string path_;
    Stamp read_;
    Stamp lastLook_;
    std::chrono::steady_clock::time_point nextLook_;
};

} // namespace chimora
