// The renderer's work after parsing: input, engine set-up, output, and the messages.
#include "render_command.h"

#include "block_render.h"
#include "chime.h"
#include "event_listing.h"
#include "interrupt_signal.h"
#include "output_format.h"
#include "raw_stdout_sink.h"
#include "render_messages.h"
#include "song_file.h"
#include "song_start.h"
#include "song_warnings.h"
#include "wav_file_sink.h"

#ifdef CHIMORA_HAVE_SNDFILE
#include "sndfile_sink.h"
#endif

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

namespace chimora {

namespace {

// Any count of frames below this is a render of finite time (about 1.1 million years).
constexpr std::uint64_t RAW_MAX_FRAMES = std::uint64_t{1} << 60;

template <typename Sink>
std::unique_ptr<BlockSink> openedOrNothing(std::unique_ptr<Sink> sink, std::string& error) {
    if (sink->isOpen()) return sink;
    error = sink->failure();
    return nullptr;
}

std::unique_ptr<BlockSink> openSink(const std::string& path, std::string& error) {
    const std::optional<OutputFormat> format = formatForPath(path, error);
    if (!format) return nullptr;
    switch (*format) {
    case OutputFormat::Raw: return std::make_unique<RawStdoutSink>();
    case OutputFormat::Wav: return openedOrNothing(std::make_unique<WavFileSink>(path), error);
    case OutputFormat::Flac:
    case OutputFormat::Ogg:
#ifdef CHIMORA_HAVE_SNDFILE
        return openedOrNothing(std::make_unique<SndfileSink>(path, *format), error);
#else
        break; // formatForPath refuses them in this build
#endif
    }
    return nullptr;
}

struct RenderLength {
    std::uint64_t maxFrames = 0;
    bool untilSilent = false;
};

// How many frames to render; false with a message when --seconds is more than the output holds.
bool chooseLength(const RenderOptions& options, RenderLength& length, std::string& error) {
    if (!options.seconds) {
        length.maxFrames = static_cast<std::uint64_t>(framesCovering(SONG_END_LIMIT_SECONDS));
        length.untilSilent = true;
        return true;
    }
    const double frames = framesCovering(*options.seconds);
    std::string unused;
    const bool toWav = formatForPath(options.outputPath, unused) == OutputFormat::Wav;
    const std::uint64_t limit = toWav ? WAV_MAX_FRAMES : RAW_MAX_FRAMES;
    if (frames > static_cast<double>(limit)) {
        std::ostringstream message;
        message << "--seconds " << *options.seconds << " is too long for "
                << (toWav ? "a WAV file (.flac and -o - take any length)" : "any output");
        error = message.str();
        return false;
    }
    length.maxFrames = static_cast<std::uint64_t>(frames);
    return true;
}

// Passes blocks on and measures them for the summary line.
class MeasuringSink final : public BlockSink {
public:
    explicit MeasuringSink(BlockSink& target) : target_(target) {}
    bool writeBlock(const std::int16_t* samples, int frames) override {
        for (int i = 0; i < 2 * frames; ++i) {
            peak_ = std::max(peak_, std::abs(static_cast<int>(samples[i])));
        }
        frames_ += static_cast<std::uint64_t>(frames);
        return target_.writeBlock(samples, frames);
    }
    bool finish() override { return target_.finish(); }
    std::string failure() const override { return target_.failure(); }

    // "rendered 2.04 s (90000 frames), peak -6.0 dBFS, no sample wrapped around", or
    // "..., 312 samples wrapped around", or "..., silent". wrappedSamples is the engine's count.
    std::string summary(std::uint64_t wrappedSamples) const {
        char text[160];
        const double seconds = static_cast<double>(frames_) / SAMPLE_RATE;
        const auto frames = static_cast<unsigned long long>(frames_);
        if (peak_ == 0) {
            std::snprintf(text, sizeof text, "rendered %.2f s (%llu frames), silent", seconds,
                          frames);
            return text;
        }
        std::snprintf(text, sizeof text, "rendered %.2f s (%llu frames), peak %.1f dBFS, ", seconds,
                      frames, 20.0 * std::log10(peak_ / 32768.0));
        std::string line = text;
        if (wrappedSamples == 0) return line + "no sample wrapped around";
        line += std::to_string(wrappedSamples);
        return line + (wrappedSamples == 1 ? " sample" : " samples") + " wrapped around";
    }

private:
    BlockSink& target_;
    int peak_ = 0;
    std::uint64_t frames_ = 0;
};

int renderToOutput(Engine& engine, const RenderOptions& options) {
    RenderLength length;
    std::string error;
    if (!chooseLength(options, length, error)) return reportFailure(error);
    noteInterruptSignals();
    const std::unique_ptr<BlockSink> output = openSink(options.outputPath, error);
    if (!output) return reportFailure(error);
    MeasuringSink sink(*output);
    engine.countWrappedSamples = true;
    const RenderResult result = renderFrames(engine, sink, length.maxFrames, length.untilSilent);
    if (result.interrupted) return interruptExitCode();
    if (result.sinkFailed) return reportFailure(sink.failure());
    if (!options.quiet) {
        std::cerr << MESSAGE_PREFIX << sink.summary(engine.wrappedSamples) << '\n';
    }
    if (result.stoppedAtLimit) {
        reportSongStillPlaying("renders");
    }
    return 0;
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat firstStatus {};
    struct stat secondStatus {};
    return ::stat(first.c_str(), &firstStatus) == 0 && ::stat(second.c_str(), &secondStatus) == 0 &&
           firstStatus.st_dev == secondStatus.st_dev && firstStatus.st_ino == secondStatus.st_ino;
}

// An output that would replace the song, or has no name, is refused before anything is written.
std::string checkOutputPath(const RenderOptions& options) {
    if (options.mode == RenderMode::Events || options.mode == RenderMode::RawEvents) return "";
    if (options.outputPath.empty()) return "the output file name (-o) is empty";
    const bool song = options.mode == RenderMode::Song && options.songPath != STDIN_PATH;
    if (song && options.outputPath != STDOUT_PATH &&
        sameFile(options.songPath, options.outputPath)) {
        return "the output '" + options.outputPath +
               "' is the song file itself; choose another name";
    }
    std::string error;
    if (!options.play && !formatForPath(options.outputPath, error)) return error;
    return "";
}

// One line each, as compilers write them, so that editors can jump to the line.
void reportWarnings(const std::string& songPath, const std::vector<SongWarning>& warnings) {
    const std::string name = songPath == STDIN_PATH ? "<stdin>" : songPath;
    for (const SongWarning& warning : warnings) {
        std::cerr << name;
        if (warning.line != 0) std::cerr << ':' << warning.line;
        std::cerr << ": warning: " << warning.text << '\n';
    }
}

} // namespace

bool checkSong(const RenderOptions& options, const std::vector<std::uint8_t>& song) {
    if (options.quiet && !options.strict) return true;
    const std::vector<SongWarning> warnings = findSongWarnings(song);
    if (!options.quiet) reportWarnings(options.songPath, warnings);
    return !options.strict || warnings.empty();
}

int runRenderCommand(const RenderOptions& options) {
    if (const std::string problem = checkOutputPath(options); !problem.empty()) {
        return reportUsageError(problem);
    }
    auto engine = std::make_unique<Engine>();
    if (options.mode == RenderMode::Chime) {
        startChime(*engine, *chimeNamed(options.chimeName));
        return renderToOutput(*engine, options);
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readSongFile(options.songPath, bytes, error)) return reportFailure(error);
    if (!checkSong(options, bytes)) {
        return reportFailure("--strict: the song has warnings; nothing was written");
    }
    startSongFile(*engine, bytes, options.gain);
    if (options.mode == RenderMode::Events || options.mode == RenderMode::RawEvents) {
        if (options.mode == RenderMode::Events) {
            writeReadableEventListing(*engine, std::cout);
        } else {
            writeEventListing(*engine, std::cout);
        }
        std::cout.flush();
        return std::cout ? 0 : reportFailure("cannot write to standard output");
    }
    return renderToOutput(*engine, options);
}

} // namespace chimora
