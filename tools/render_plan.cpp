// Lengths in frames: --seconds is exact, --loops ends at the frame the last channel finishes
// its passes, and a song left to end by itself ends with the block in which it stops, as the
// clock's render thread would play it.
#include "render_plan.h"

#include "block_render.h"
#include "output_format.h"
#include "song_timing.h"
#include "wav_file_sink.h"

#include <algorithm>
#include <memory>
#include <sstream>

namespace chimora {

namespace {

// Any count of frames below this is a render of finite time (about 26 million years).
constexpr std::uint64_t ANY_MAX_FRAMES = std::uint64_t{1} << 55;

std::uint64_t framesOf(double seconds) {
    return static_cast<std::uint64_t>(framesCovering(seconds));
}

std::unique_ptr<Engine> startedEngine(const StartInput& start) {
    auto engine = std::make_unique<Engine>();
    start(*engine);
    return engine;
}

bool planSeconds(const RenderOptions& options, RenderPlan& plan, std::string& error) {
    const double frames = framesCovering(*options.seconds);
    std::string unused;
    const bool toWav = formatForPath(options.outputPath, unused) == OutputFormat::Wav;
    const std::uint64_t limit = toWav && !options.play ? WAV_MAX_FRAMES : ANY_MAX_FRAMES;
    if (frames > static_cast<double>(limit)) {
        std::ostringstream message;
        message << "--seconds " << *options.seconds << " is too long for "
                << (limit == WAV_MAX_FRAMES ? "a WAV file (.flac and -o - take any length)"
                                            : "any output");
        error = message.str();
        return false;
    }
    plan.maxFrames = static_cast<std::uint64_t>(frames);
    plan.expectedFrames = plan.maxFrames;
    return true;
}

// Until every channel has stopped, in whole blocks as the clock plays them, at most 600 s.
void planUntilSilent(const StartInput& start, bool wantLength, RenderPlan& plan) {
    plan.maxFrames = framesOf(SONG_END_LIMIT_SECONDS);
    plan.untilSilent = true;
    if (!wantLength) return;
    const auto engine = startedEngine(start);
    const std::optional<std::uint64_t> stop = framesUntilPlayedThrough(*engine, 0, plan.maxFrames);
    if (!stop) {
        plan.expectedFrames = plan.maxFrames;
        return;
    }
    const std::uint64_t blocks =
        std::max<std::uint64_t>(1, (*stop + BLOCK_FRAMES - 1) / BLOCK_FRAMES);
    plan.expectedFrames = std::min(plan.maxFrames, blocks * BLOCK_FRAMES);
}

bool planLoops(const RenderOptions& options, const StartInput& start, bool wantLength,
               RenderPlan& plan, std::string& error) {
    const std::uint64_t limit = framesOf(LOOPS_LIMIT_SECONDS);
    if (!songLoops(*startedEngine(start), limit)) {
        plan.songDoesNotLoop = true;
        planUntilSilent(start, wantLength, plan);
        return true;
    }
    const std::optional<std::uint64_t> end =
        framesUntilPlayedThrough(*startedEngine(start), *options.loops, limit);
    if (!end) {
        error = "--loops " + std::to_string(*options.loops) +
                ": the song has not played through that often after " +
                std::to_string(static_cast<int>(LOOPS_LIMIT_SECONDS / 3600)) +
                " hours; give fewer passes or --seconds";
        return false;
    }
    plan.maxFrames = *end;
    plan.expectedFrames = *end;
    return true;
}

} // namespace

bool planRender(const RenderOptions& options, const StartInput& start, bool wantLength,
                RenderPlan& plan, std::string& error) {
    plan = RenderPlan{};
    const bool fading = options.fadeSeconds > 0.0;
    if (options.seconds) {
        if (!planSeconds(options, plan, error)) return false;
    } else if (options.loops) {
        if (!planLoops(options, start, wantLength || fading, plan, error)) return false;
    } else {
        planUntilSilent(start, wantLength || fading, plan);
    }
    if (fading) plan.fadeFrames = std::min(framesOf(options.fadeSeconds), *plan.expectedFrames);
    return true;
}

} // namespace chimora
