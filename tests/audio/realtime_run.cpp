// A real-time run of the render thread: a test device plays one block every 1500/44100 s, as a
// sound card would, while the busy eight-channel song loops, and counts the blocks that were
// not queued in time. Run by scripts/test-stages/70-realtime.sh for a bounded few minutes.
// Arguments: the song file, the seconds to run.
#include "audio_output.h"
#include "locked_engine.h"
#include "test_wave_device.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

using namespace chimora;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: realtime_run SONG SECONDS\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> song((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    const std::size_t length = song.size();
    song.push_back('\n');
    const auto seconds = std::chrono::seconds(std::atoi(argv[2]));

    Engine engine;
    LockedEngine lockedEngine{engine};
    testing::TestWaveDevice device;
    AudioOutput output{lockedEngine, device};
    output.initAudioOutput();
    lockedEngine.apply([&](Engine& shared) { shared.loadSong(song.data(), length); });
    if (!device.waitForPlays(2)) {
        std::fprintf(stderr, "the render thread never queued its first blocks\n");
        return 1;
    }
    // The device's clock: each block is due one block-time after the one before it, and the
    // next must already be queued when it is due.
    const auto blockTime = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(BLOCK_FRAMES / static_cast<double>(SAMPLE_RATE)));
    const auto start = std::chrono::steady_clock::now();
    auto due = start;
    long played = 0;
    long late = 0;
    while (due - start < seconds) {
        std::this_thread::sleep_until(due);
        if (device.playBlock(0ms)) {
            ++played;
        } else {
            ++late;
            device.playBlock(); // wait for it, so one late block is counted once
        }
        due += blockTime;
    }
    output.shutdownAudioOutput();
    std::printf("%ld blocks played in real time, %ld late, %d channels still active\n", played,
                late, static_cast<int>(engine.countActiveChannels()));
    return late == 0 ? 0 : 1;
}
