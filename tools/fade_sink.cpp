// The fade: a straight line from full level down to zero over the last frames.
#include "fade_sink.h"

#include "engine.h"

#include <algorithm>

namespace chimora {

FadeSink::FadeSink(BlockSink& target, std::uint64_t totalFrames, std::uint64_t fadeFrames)
    : target_(target), totalFrames_(totalFrames), fadeFrames_(std::min(fadeFrames, totalFrames)) {}

bool FadeSink::writeBlock(const std::int16_t* samples, int frames) {
    static_assert(sizeof faded_ / sizeof faded_[0] == BLOCK_SAMPLES);
    const std::uint64_t fadeStart = totalFrames_ - fadeFrames_;
    const std::uint64_t first = written_;
    written_ += static_cast<std::uint64_t>(frames);
    if (fadeFrames_ == 0 || written_ <= fadeStart) return target_.writeBlock(samples, frames);
    for (int frame = 0; frame < frames; ++frame) {
        const std::uint64_t at = first + static_cast<std::uint64_t>(frame);
        double level = 1.0;
        if (at >= totalFrames_) {
            level = 0.0;
        } else if (at >= fadeStart) {
            level = static_cast<double>(totalFrames_ - at) / static_cast<double>(fadeFrames_);
        }
        for (int side = 0; side < 2; ++side) {
            faded_[2 * frame + side] = static_cast<std::int16_t>(samples[2 * frame + side] * level);
        }
    }
    return target_.writeBlock(faded_, frames);
}

} // namespace chimora
