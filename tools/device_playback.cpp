// Playing through the sound device: the engine is started exactly as for a file render, then
// the audio output streams it while this thread watches the channels, the clock, Ctrl-C and,
// with --watch, the song file.
#include "device_playback.h"

#include "audio_output.h"
#include "chime.h"
#include "interrupt_signal.h"
#include "locked_engine.h"
#include "render_command.h"
#include "render_messages.h"
#include "render_plan.h"
#include "song_file.h"
#include "song_start.h"
#include "song_watch.h"
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

// How often the channels, the clock, the song file and Ctrl-C are looked at.
constexpr std::chrono::milliseconds POLL_INTERVAL{10};
// When the last channel stops its final block is still on the way to the speaker: the other
// block, the device's ring of two blocks and the sound server's buffer. Closing resets the
// device, so wait until all of that has played.
constexpr std::chrono::milliseconds DRAIN_TIME{300};

enum class PlaybackEnd { songEnded, timeUp, interrupted, deviceStopped, songSaved };

// The song or chime, read and checked, ready to be started in any number of engines.
struct Input {
    std::vector<std::uint8_t> song;
    StartInput start;
};

bool loadInput(const RenderOptions& options, Input& input, std::string& error) {
    if (options.mode == RenderMode::Chime) {
        const ChimeName chime = *chimeNamed(options.chimeName);
        input.start = [chime](Engine& engine) { startChime(engine, chime); };
        return true;
    }
    if (!readSongFile(options.songPath, input.song, error)) return false;
    if (!checkSong(options, input.song)) {
        error = "--strict: the song has warnings; it is not played";
        return false;
    }
    input.start = [&input, gain = options.gain](Engine& engine) {
        startSongFile(engine, input.song, gain);
    };
    return true;
}

PlaybackEnd waitForEnd(LockedEngine& engine, const AudioOutput& output, double limitSeconds,
                       SongWatch* watch) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        if (interruptSignal() != 0) return PlaybackEnd::interrupted;
        if (watch != nullptr && watch->saved()) return PlaybackEnd::songSaved;
        if (engine.countActiveChannels() == 0) return PlaybackEnd::songEnded;
        // Compared in seconds as doubles, so that any --seconds, however large, is fine.
        if (std::chrono::duration<double>(Clock::now() - start).count() >= limitSeconds) {
            return PlaybackEnd::timeUp;
        }
        if (!output.renderThreadRunning()) return PlaybackEnd::deviceStopped;
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

// Plays the input once through the device; false with a message when the device cannot be
// opened. After deviceStopped, `error` says why.
bool playOnce(const Input& input, WaveDevice& device, double limitSeconds, SongWatch* watch,
              PlaybackEnd& end, std::string& error) {
    const auto engine = std::make_unique<Engine>();
    input.start(*engine);
    LockedEngine lockedEngine(*engine);
    AudioOutput output(lockedEngine, device);
    output.initAudioOutput();
    if (!output.deviceOpen()) {
        error = "cannot open the sound device: " + output.deviceProblem();
        output.shutdownAudioOutput();
        return false;
    }
    end = waitForEnd(lockedEngine, output, limitSeconds, watch);
    if (end == PlaybackEnd::songEnded) std::this_thread::sleep_for(DRAIN_TIME);
    if (end == PlaybackEnd::deviceStopped) {
        error = "the sound device stopped taking sound: " + output.deviceProblem();
    }
    output.shutdownAudioOutput();
    return true;
}

// How long one playing lasts at most: --seconds, --loops, or the 600 s of a song left to end.
bool playLimitSeconds(const RenderOptions& options, const Input& input, double& seconds,
                      std::string& error) {
    RenderPlan plan;
    if (!planRender(options, input.start, false, plan, error)) return false;
    if (plan.songDoesNotLoop && !options.quiet) {
        std::cerr << MESSAGE_PREFIX
                  << "--loops: no channel of the song loops; it plays to its end\n";
    }
    seconds = static_cast<double>(plan.maxFrames) / SAMPLE_RATE;
    return true;
}

int exitCodeFor(PlaybackEnd end, const RenderOptions& options, const std::string& problem) {
    // clang-format off
    switch (end) {
    case PlaybackEnd::songEnded:
    case PlaybackEnd::songSaved:
        return 0;
    case PlaybackEnd::timeUp:
        if (!options.seconds && !options.loops) {
            reportSongStillPlaying("plays");
        }
        return 0;
    case PlaybackEnd::interrupted:
        return interruptExitCode();
    case PlaybackEnd::deviceStopped:
        break;
    }
    // clang-format on
    return reportFailure(problem);
}

// Waits until the song is saved again (true) or Ctrl-C (false).
bool waitForSave(SongWatch& watch) {
    while (interruptSignal() == 0) {
        if (watch.saved()) return true;
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
    return false;
}

// --watch: each version of the song from the start, its warnings first, until Ctrl-C. A
// version that cannot be read or played (--strict) is reported and the next save awaited.
int watchAndPlay(const RenderOptions& options, WaveDevice& device) {
    SongWatch watch(options.songPath);
    noteInterruptSignals();
    for (;;) {
        watch.markRead();
        Input input;
        std::string error;
        double limitSeconds = 0.0;
        PlaybackEnd end = PlaybackEnd::songEnded;
        if (!loadInput(options, input, error) ||
            !playLimitSeconds(options, input, limitSeconds, error)) {
            reportFailure(error);
        } else if (!playOnce(input, device, limitSeconds, &watch, end, error)) {
            return reportFailure(error);
        }
        if (end == PlaybackEnd::interrupted) return interruptExitCode();
        if (end == PlaybackEnd::deviceStopped) return exitCodeFor(end, options, error);
        if (end != PlaybackEnd::songSaved) {
            std::cerr << MESSAGE_PREFIX << "waiting for " << options.songPath
                      << " to be saved again (Ctrl-C ends)\n";
            if (!waitForSave(watch)) return interruptExitCode();
        }
        std::cerr << MESSAGE_PREFIX << options.songPath
                  << " was saved; playing it from the start\n";
    }
}

} // namespace

int playThroughDevice(const RenderOptions& options) {
    const std::unique_ptr<WaveDevice> device =
        options.device.empty() ? makeSystemWaveDevice() : makeNamedWaveDevice(options.device);
    if (!device) {
        return reportUsageError("there is no sound device '" + options.device +
                                "' here; --device takes default or null");
    }
    std::string error;
    if (options.watch) return watchAndPlay(options, *device);
    Input input;
    double limitSeconds = 0.0;
    if (!loadInput(options, input, error) ||
        !playLimitSeconds(options, input, limitSeconds, error)) {
        return reportFailure(error);
    }
    noteInterruptSignals();
    PlaybackEnd end = PlaybackEnd::songEnded;
    if (!playOnce(input, *device, limitSeconds, nullptr, end, error)) return reportFailure(error);
    return exitCodeFor(end, options, error);
}

} // namespace chimora
