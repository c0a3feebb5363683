// Playing through the sound device: the engine is started exactly as for a file render, then
// the audio output streams it while this thread watches the channels, the clock and Ctrl-C.
#include "device_playback.h"

#include "audio_output.h"
#include "block_render.h"
#include "chime.h"
#include "interrupt_signal.h"
#include "locked_engine.h"
#include "render_command.h"
#include "render_messages.h"
#include "song_file.h"
#include "song_start.h"
#include "system_wave_device.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace chimora {

namespace {

using Clock = std::chrono::steady_clock;

// How often the channels, the clock and Ctrl-C are looked at.
constexpr std::chrono::milliseconds POLL_INTERVAL{10};
// When the last channel stops its final block is still on the way to the speaker: the other
// block, the device's ring of two blocks and the sound server's buffer. Closing resets the
// device, so wait until all of that has played.
constexpr std::chrono::milliseconds DRAIN_TIME{300};

enum class PlaybackEnd { songEnded, timeUp, interrupted, deviceStopped };

bool startInput(Engine& engine, const RenderOptions& options, std::string& error) {
    if (options.mode == RenderMode::Chime) {
        startChime(engine, *chimeNamed(options.chimeName));
        return true;
    }
    std::vector<std::uint8_t> bytes;
    if (!readSongFile(options.songPath, bytes, error)) return false;
    if (!checkSong(options, bytes)) {
        error = "--strict: the song has warnings; it is not played";
        return false;
    }
    startSongFile(engine, bytes, options.gain);
    return true;
}

bool anyChannelActive(LockedEngine& engine) { return engine.countActiveChannels() != 0; }

PlaybackEnd waitForEnd(LockedEngine& engine, const AudioOutput& output, double limitSeconds) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        if (interruptSignal() != 0) return PlaybackEnd::interrupted;
        if (!anyChannelActive(engine)) return PlaybackEnd::songEnded;
        // Compared in seconds as doubles, so that any --seconds, however large, is fine.
        if (std::chrono::duration<double>(Clock::now() - start).count() >= limitSeconds) {
            return PlaybackEnd::timeUp;
        }
        if (!output.renderThreadRunning()) return PlaybackEnd::deviceStopped;
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

int exitCodeFor(PlaybackEnd end, const RenderOptions& options, const AudioOutput& output) {
    // clang-format off
    switch (end) {
    case PlaybackEnd::songEnded:
        return 0;
    case PlaybackEnd::timeUp:
        if (!options.seconds) {
            reportSongStillPlaying("plays");
        }
        return 0;
    case PlaybackEnd::interrupted:
        return interruptExitCode();
    case PlaybackEnd::deviceStopped:
        break;
    }
    // clang-format on
    return reportFailure("the sound device stopped taking sound: " + output.deviceProblem());
}

} // namespace

int playThroughDevice(const RenderOptions& options) {
    const auto engine = std::make_unique<Engine>();
    std::string error;
    if (!startInput(*engine, options, error)) return reportFailure(error);

    const std::unique_ptr<WaveDevice> device = makeSystemWaveDevice();
    LockedEngine lockedEngine(*engine);
    AudioOutput output(lockedEngine, *device);
    output.initAudioOutput();
    if (!output.deviceOpen()) {
        output.shutdownAudioOutput();
        return reportFailure("cannot open the sound device: " + output.deviceProblem());
    }
    noteInterruptSignals();
    const PlaybackEnd end =
        waitForEnd(lockedEngine, output, options.seconds.value_or(SONG_END_LIMIT_SECONDS));
    if (end == PlaybackEnd::songEnded) std::this_thread::sleep_for(DRAIN_TIME);
    const int exitCode = exitCodeFor(end, options, output);
    output.shutdownAudioOutput();
    return exitCode;
}

} // namespace chimora
