// The line is redrawn at most ten times a second: a carriage return and the text, padded with
// blanks to a fixed width so that a shorter text covers a longer one (no terminal escapes,
// which not every Windows console understands).
#include "progress_sink.h"

#include "engine.h"
#include "render_messages.h"

#include <unistd.h>

#include <cstdio>

namespace chimora {

namespace {

constexpr std::chrono::milliseconds UPDATE_INTERVAL{100};
constexpr int LINE_WIDTH = 72;

double secondsOf(std::uint64_t frames) { return static_cast<double>(frames) / SAMPLE_RATE; }

} // namespace

ProgressSink::ProgressSink(BlockSink& target, std::optional<std::uint64_t> expectedFrames,
                           std::uint64_t limitFrames)
    : target_(target), expectedFrames_(expectedFrames), limitFrames_(limitFrames),
      nextUpdate_(std::chrono::steady_clock::now()) {}

ProgressSink::~ProgressSink() { endLine(); }

bool ProgressSink::wanted() { return ::isatty(STDERR_FILENO) != 0; }

bool ProgressSink::writeBlock(const std::int16_t* samples, int frames) {
    written_ += static_cast<std::uint64_t>(frames);
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextUpdate_) {
        nextUpdate_ = now + UPDATE_INTERVAL;
        show();
    }
    return target_.writeBlock(samples, frames);
}

bool ProgressSink::finish() {
    endLine();
    return target_.finish();
}

void ProgressSink::show() {
    char text[128];
    if (expectedFrames_ && *expectedFrames_ > 0) {
        const double share =
            100.0 * static_cast<double>(written_) / static_cast<double>(*expectedFrames_);
        std::snprintf(text, sizeof text, "%srendering %.1f s of %.1f s (%d %%)", MESSAGE_PREFIX,
                      secondsOf(written_), secondsOf(*expectedFrames_), static_cast<int>(share));
    } else {
        std::snprintf(text, sizeof text, "%srendering %.1f s (at most %.0f s)", MESSAGE_PREFIX,
                      secondsOf(written_), secondsOf(limitFrames_));
    }
    std::fprintf(stderr, "\r%-*s", LINE_WIDTH, text);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressSink::endLine() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%-*s\r", LINE_WIDTH, "");
    std::fflush(stderr);
    shown_ = false;
}

} // namespace chimora
