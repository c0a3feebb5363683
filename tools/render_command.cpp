// The renderer's work after parsing: input, engine set-up, output, and the messages.
#include "render_command.h"

#include "block_render.h"
#include "chime.h"
#include "event_listing.h"
#include "fade_sink.h"
#include "interrupt_signal.h"
#include "output_format.h"
#include "progress_sink.h"
#include "raw_stdout_sink.h"
#include "render_messages.h"
#include "render_plan.h"
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
#include <optional>
#include <sstream>

namespace chimora {

namespace {

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

int renderToOutput(Engine& engine, const RenderOptions& options, const StartInput& start) {
    const bool progress = !options.quiet && ProgressSink::wanted();
    RenderPlan plan;
    std::string error;
    if (!planRender(options, start, progress, plan, error)) return reportFailure(error);
    if (plan.songDoesNotLoop && !options.quiet) {
        std::cerr << MESSAGE_PREFIX
                  << "--loops: no channel of the song loops; it renders to its end\n";
    }
    noteInterruptSignals();
    const std::unique_ptr<BlockSink> output = openSink(options.outputPath, error);
    if (!output) return reportFailure(error);
    // Blocks go through the fade, then are measured, then shown, then written.
    BlockSink* head = output.get();
    std::optional<ProgressSink> progressLine;
    if (progress) head = &progressLine.emplace(*head, plan.expectedFrames, plan.maxFrames);
    MeasuringSink measured(*head);
    head = &measured;
    std::optional<FadeSink> fade;
    if (plan.fadeFrames > 0) head = &fade.emplace(*head, *plan.expectedFrames, plan.fadeFrames);
    engine.countWrappedSamples = true;
    const RenderResult result = renderFrames(engine, *head, plan.maxFrames, plan.untilSilent);
    if (progressLine) progressLine->endLine();
    if (result.interrupted) return interruptExitCode();
    if (result.sinkFailed) return reportFailure(head->failure());
    if (!options.quiet) {
        std::cerr << MESSAGE_PREFIX << measured.summary(engine.wrappedSamples) << '\n';
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
        const ChimeName chime = *chimeNamed(options.chimeName);
        const StartInput start = [chime](Engine& started) { startChime(started, chime); };
        start(*engine);
        return renderToOutput(*engine, options, start);
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readSongFile(options.songPath, bytes, error)) return reportFailure(error);
    if (!checkSong(options, bytes)) {
        return reportFailure("--strict: the song has warnings; nothing was written");
    }
    const StartInput start = [&bytes, &options](Engine& started) {
        startSongFile(started, bytes, options.gain);
    };
    start(*engine);
    if (options.mode == RenderMode::Events || options.mode == RenderMode::RawEvents) {
        if (options.mode == RenderMode::Events) {
            writeReadableEventListing(*engine, std::cout);
        } else {
            writeEventListing(*engine, std::cout);
        }
        std::cout.flush();
        return std::cout ? 0 : reportFailure("cannot write to standard output");
    }
    return renderToOutput(*engine, options, start);
}

} // namespace chimora
