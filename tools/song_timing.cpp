// Each channel's sequencer on its own (channels share nothing in sequencing), one step at a
// time, each step counted as the voice generator counts it: a step of L samples lasts floor(L)
// frames, at least one, and the next step begins in the frame after.
#include "song_timing.h"

#include <algorithm>

namespace chimora {

namespace {

// Beyond this a step's length no longer counts down exactly one frame at a time.
constexpr double EXACT_STEP_LIMIT = 4503599627370496.0; // 2^52

struct ChannelRun {
    std::uint64_t frames = 0; // when the channel stopped or finished its passes
    bool finished = false;    // within the limit
    bool looped = false;      // went back to its loop point at least once
};

ChannelRun runChannel(Engine& engine, int channel, int passes, std::uint64_t limitFrames) {
    ChannelState& state = engine.channels[channel];
    ChannelRun run;
    const std::int32_t passesBefore = state.loopPasses;
    while (state.active != 0) {
        if (passes > 0 && state.loopPasses - passesBefore >= passes) break;
        const double length = state.stepSamples;
        if (!(length < EXACT_STEP_LIMIT)) return run;
        run.frames += length < 2.0 ? 1 : static_cast<std::uint64_t>(length);
        if (run.frames > limitFrames) return run;
        engine.stepEvents(channel);
        run.looped = run.looped || state.loopPasses != passesBefore;
    }
    run.finished = true;
    return run;
}

} // namespace

std::optional<std::uint64_t> framesUntilPlayedThrough(Engine& engine, int passes,
                                                      std::uint64_t limitFrames) {
    std::uint64_t end = 0;
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        const ChannelRun run = runChannel(engine, channel, passes, limitFrames);
        if (!run.finished) return std::nullopt;
        end = std::max(end, run.frames);
    }
    return end;
}

bool songLoops(Engine& engine, std::uint64_t limitFrames) {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        if (runChannel(engine, channel, 1, limitFrames).looped) return true;
    }
    return false;
}

} // namespace chimora
