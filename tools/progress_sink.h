// The progress line: while a render runs, one line on stderr that is rewritten in place,
// "chimora-render: 12.3 s of 60.0 s (20 %)". Only when stderr is a terminal; the line is
// wiped when the render ends, so that what follows starts on a clean line.
#pragma once

#include "block_sink.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace chimora {

class ProgressSink final : public BlockSink {
public:
    // expectedFrames: the render's length when known; otherwise the line gives the limit.
    ProgressSink(BlockSink& target, std::optional<std::uint64_t> expectedFrames,
                 std::uint64_t limitFrames);
    ~ProgressSink() override;
    ProgressSink(const ProgressSink&) = delete;
    ProgressSink& operator=(const ProgressSink&) = delete;

    // Whether the line is shown: stderr is a terminal.
    static bool wanted();

    bool writeBlock(const std::int16_t* samples, int frames) override;
    bool finish() override;
    std::string failure() const override { return target_.failure(); }
    // Wipes the line, if shown, so that the next message starts at the line's beginning.
    void endLine();

private:
    void show();

    BlockSink& target_;
    std::optional<std::uint64_t> expectedFrames_;
    std::uint64_t limitFrames_;
    std::uint64_t written_ = 0;
    bool shown_ = false;
    std::chrono::steady_clock::time_point nextUpdate_;
};

} // namespace chimora
