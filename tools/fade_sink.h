// --fade: passes blocks on with the last frames of the render faded out linearly. Only the
// renderer's output changes; the engine's samples before the fade are untouched.
#pragma once

#include "block_sink.h"

#include <cstdint>

namespace chimora {

class FadeSink final : public BlockSink {
public:
    // The render will hold totalFrames frames; the last fadeFrames of them (all, if fewer)
    // fade: frame i of the total is scaled by (totalFrames - i) / fadeFrames, truncated
    // toward zero, so the fade starts at full level and reaches silence just after the end.
    FadeSink(BlockSink& target, std::uint64_t totalFrames, std::uint64_t fadeFrames);
    bool writeBlock(const std::int16_t* samples, int frames) override;
    bool finish() override { return target_.finish(); }
    std::string failure() const override { return target_.failure(); }

private:
    BlockSink& target_;
    std::uint64_t totalFrames_;
    std::uint64_t fadeFrames_;
    std::uint64_t written_ = 0;
    std::int16_t faded_[2 * 1500];
};

} // namespace chimora
