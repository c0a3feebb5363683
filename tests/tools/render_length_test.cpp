// Long and looping renders on real files: --loops, --fade and the progress line.
#include "render_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::runRenderer;
using testing::RunResult;
using testing::writeScratchFile;

std::vector<std::int16_t> samplesOf(const std::string& raw) {
    std::vector<std::int16_t> samples(raw.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[2 * i]) |
                                               static_cast<std::uint8_t>(raw[2 * i + 1]) << 8);
    }
    return samples;
}

// Channel 0 loops every 2 s after a 1 s intro, channel 1 every 3 s.
constexpr char TWO_LOOPS[] = "0t120 v15 c2 L l4 cdef\r\n1t120 v12 o3 L l4 gab>c<ga\r\n";

TEST(RenderLengthTest, LoopsEndWhenEveryChannelHasPlayedThroughThatOften) {
    const std::string song = writeScratchFile(".mml", TWO_LOOPS);
    const struct {
        const char* loops;
        std::size_t frames;
    } cases[] = {
        {"1", 132300}, // channel 1's first pass, 3 s; channel 0 is through at 3 s too
        {"2", 264600}, // channel 1, 6 s; channel 0 was through at 5 s
        {"3", 396900}, // channel 1, 9 s; channel 0 at 7 s
    };
    const RunResult whole = runRenderer("'" + song + "' --seconds 10 -o -");
    for (const auto& item : cases) {
        const RunResult result = runRenderer("'" + song + "' --loops " + item.loops + " -o -");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out.size(), 4 * item.frames) << "--loops " << item.loops;
        EXPECT_EQ(result.out, whole.out.substr(0, result.out.size())) << "the clock's samples";
    }
    const std::string ending = writeScratchFile(".x.mml", "0t120 c4 d4 x\r\n");
    const RunResult once = runRenderer("'" + ending + "' --loops 2 -o -");
    EXPECT_EQ(once.exitCode, 0);
    EXPECT_EQ(once.out.size(), 4u * 45000) << "a song that ends renders to its end, in blocks";
    EXPECT_NE(once.err.find("--loops: no channel of the song loops"), std::string::npos)
        << once.err;
    std::remove(song.c_str());
    std::remove(ending.c_str());
}

TEST(RenderLengthTest, FadeScalesTheLastSecondsDownToSilence) {
    const std::string song = writeScratchFile(".mml", TWO_LOOPS);
    const struct {
        const char* arguments;
        std::size_t frames;
        std::size_t fadeFrames;
    } cases[] = {
        {"--seconds 2 --fade 0.5", 88200, 22050},
        {"--loops 1 --fade 1", 132300, 44100},
        {"--seconds 0.5 --fade 2", 22050, 22050}, // longer than the render: all of it fades
    };
    const RunResult whole = runRenderer("'" + song + "' --seconds 4 -o -");
    const std::vector<std::int16_t> plain = samplesOf(whole.out);
    for (const auto& item : cases) {
        const RunResult result = runRenderer("'" + song + "' " + item.arguments + " -o -");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::vector<std::int16_t> faded = samplesOf(result.out);
        ASSERT_EQ(faded.size(), 2 * item.frames) << item.arguments;
        const std::size_t fadeStart = item.frames - item.fadeFrames;
        for (std::size_t frame = 0; frame < item.frames; ++frame) {
            const double level = frame < fadeStart ? 1.0
                                                   : static_cast<double>(item.frames - frame) /
                                                         static_cast<double>(item.fadeFrames);
            for (std::size_t side = 0; side < 2; ++side) {
                const auto expected = static_cast<std::int16_t>(plain[2 * frame + side] * level);
                ASSERT_EQ(faded[2 * frame + side], expected)
                    << item.arguments << ", frame " << frame;
            }
        }
    }
    std::remove(song.c_str());
}

// Everything a command writes to a terminal, which `script` gives it; the renderer's stdout is
// a file either way.
std::string onATerminal(const std::string& command) {
    const std::string line = "script -qec \"" + command + "\" /dev/null";
    std::string out;
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, read);
    pclose(pipe);
    return out;
}

TEST(RenderLengthTest, ProgressShowsOnlyOnATerminal) {
    const std::string song = writeScratchFile(".mml", TWO_LOOPS);
    const std::string arguments = "'" + song + "' --loops 2 -o /dev/null";
    const std::string terminal = onATerminal(testing::rendererCommand() + " " + arguments);
    EXPECT_NE(terminal.find("\rchimora-render: rendering "), std::string::npos) << terminal;
    EXPECT_NE(terminal.find(" of 6.0 s ("), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("\rchimora-render: rendered 6.00 s"), std::string::npos)
        << "the summary begins where the progress line was: " << terminal;
    const RunResult file = runRenderer(arguments);
    EXPECT_EQ(file.exitCode, 0);
    EXPECT_EQ(file.err.find("rendering "), std::string::npos) << file.err;
    EXPECT_EQ(file.err.find('\r'), std::string::npos) << file.err;
    std::remove(song.c_str());
}

} // namespace
} // namespace chimora
