// chimora-render as a song author runs it: its errors, its WAV and raw output, its event list.
#include "render_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::readFileBytes;
using testing::runRenderer;
using testing::RunResult;
using testing::scratchPath;
using testing::writeScratchFile;

struct ErrorCase {
    std::string arguments;
    std::string message; // a part of what stderr must say
};

TEST(RenderCliTest, BadInputFailsWithAMessage) {
    const std::string song = writeScratchFile(".mml", "0c\r\n");
    const std::string out = " -o '" + scratchPath(".wav") + "'";
    const ErrorCase cases[] = {
        {"/nonexistent/song.mml" + out, "/nonexistent/song.mml"},
        {"'" + ::testing::TempDir() + "'" + out, "cannot read"}, // a directory
        {"--chime noon" + out, "noon"},
        {"--frobnicate " + song + out, "--frobnicate"},
        {song + out + " --seconds -1", "negative"},
        {song + out + " --seconds inf", "finite"},
        {song + out + " --seconds nan", "finite"},
        {song + out + " --seconds 1e999", "finite"},
        {song + out + " --seconds ten", "not a number"},
        {song + out + " --seconds 5s", "not a number"},
        {song + out + " --seconds \" 5\"", "not a number"},
        {song + out + " --gain -0.5", "negative"},
        {song + out + " --gain loud", "not a number"},
        {song + out + " --seconds 1e9", "too long"},
        {song, "-o"},
        {out, "song"},
        {"--chime hour --gain 2" + out, "--gain"},
        {"--events " + song + out, "--events"},
        {song + " -o /nonexistent/out.wav", "/nonexistent/out.wav"},
    };
    for (const ErrorCase& item : cases) {
        const RunResult result = runRenderer(item.arguments);
        EXPECT_NE(result.exitCode, 0) << item.arguments;
        EXPECT_NE(result.err.find("chimora-render: "), std::string::npos) << item.arguments;
        EXPECT_NE(result.err.find(item.message), std::string::npos)
            << item.arguments << "\nstderr: " << result.err;
    }
    std::remove(song.c_str());
}

TEST(RenderCliTest, ChimeWavHasAStandardHeaderAndRawOutputTheSameSamples) {
    const std::string wavPath = scratchPath(".wav");
    const RunResult wav = runRenderer("--chime quarter -o '" + wavPath + "'");
    ASSERT_EQ(wav.exitCode, 0) << wav.err;
    const std::vector<std::uint8_t> file = readFileBytes(wavPath);
    std::remove(wavPath.c_str());
    ASSERT_EQ(file.size(), 44u + 118 * BLOCK_BYTES);
    // clang-format off
    const std::vector<std::uint8_t> expectedHeader = {
        'R',  'I', 'F', 'F', 0xC4, 0xCD, 0x0A, 0x00, 'W', 'A',  'V',  'E',  'f',  'm',  't',
        ' ',  16,  0,   0,   0,    1,    0,    2,    0,   0x44, 0xAC, 0,    0,    0x10, 0xB1,
        0x02, 0,   4,   0,   16,   0,    'd',  'a',  't', 'a',  0xA0, 0xCD, 0x0A, 0x00,
    }; // RIFF size 708036, PCM, 2 channels, 44100 Hz, 176400 B/s, 4-byte frames, 16 bits, 708000
    // clang-format on
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 44), expectedHeader);

    const RunResult raw = runRenderer("--chime quarter --seconds 1 -o -");
    ASSERT_EQ(raw.exitCode, 0) << raw.err;
    ASSERT_EQ(raw.out.size(), 4u * 44100) << "1 s of frames";
    EXPECT_TRUE(
        std::equal(raw.out.begin(), raw.out.end(), file.begin() + 44,
                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
}

TEST(RenderCliTest, SongGainAndLengthApply) {
    const std::string song = writeScratchFile(".mml", "0v15@32c\r\n");
    const RunResult quiet = runRenderer(song + " --seconds 0.1 -o -");
    const RunResult loud = runRenderer(song + " --seconds 0.1 --gain 2 -o -");
    std::remove(song.c_str());
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    ASSERT_EQ(loud.exitCode, 0) << loud.err;
    ASSERT_EQ(quiet.out.size(), 4u * 4410);
    ASSERT_EQ(loud.out.size(), quiet.out.size());
    const auto sampleAt = [](const std::string& out, std::size_t frame) {
        return static_cast<std::int16_t>(static_cast<std::uint8_t>(out[4 * frame]) |
                                         static_cast<std::uint8_t>(out[4 * frame + 1]) << 8);
    };
    EXPECT_NE(sampleAt(quiet.out, 100), 0);
    EXPECT_EQ(sampleAt(loud.out, 100), static_cast<std::int16_t>(2 * sampleAt(quiet.out, 100)));
}

// One sawtooth channel never wraps in the sum, so at gain 5 exactly the samples of the gain-1
// render whose fivefold lies outside 16 bits wrap around.
TEST(RenderCliTest, TheSummaryCountsTheSamplesThatWrappedAround) {
    const std::string song = writeScratchFile(".mml", "0t120v15@32o4l8cdefgx\r\n");
    const RunResult plain = runRenderer(song + " -o -");
    const RunResult loud = runRenderer(song + " --gain 5 -o /dev/null");
    std::remove(song.c_str());
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_EQ(loud.exitCode, 0) << loud.err;
    EXPECT_NE(plain.err.find(" dBFS, no sample wrapped around\n"), std::string::npos) << plain.err;
    std::uint64_t expected = 0;
    for (std::size_t at = 0; at + 1 < plain.out.size(); at += 2) {
        const auto sample =
            static_cast<std::int16_t>(static_cast<std::uint8_t>(plain.out[at]) |
                                      static_cast<std::uint8_t>(plain.out[at + 1]) << 8);
        if (sample * 5 > 32767 || sample * 5 < -32768) ++expected;
    }
    ASSERT_GT(expected, 0u);
    EXPECT_NE(loud.err.find(" dBFS, " + std::to_string(expected) + " samples wrapped around\n"),
              std::string::npos)
        << loud.err << " (expected " << expected << ")";
}

TEST(RenderCliTest, ALoopingSongStopsAfter600SecondsWithANote) {
    const std::string song = writeScratchFile(".mml", "0Lc\r\n");
    const RunResult result = runRenderer(song + " -o - >/dev/null");
    std::remove(song.c_str());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.err.find("600"), std::string::npos) << result.err;
}

TEST(RenderCliTest, RawEventsListEachChannelsBufferUpToItsTerminator) {
    const std::string song = writeScratchFile(".mml", "; a comment\r\n0t120c4\r\n1d8x\r\n");
    const RunResult result = runRenderer("--raw-events " + song);
    std::remove(song.c_str());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::istringstream lines(result.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "0: 253,120 48,48 255,0");
    std::getline(lines, line);
    EXPECT_EQ(line, "1: 50,24 254,0 255,0");
    for (int channel = 2; channel < CHANNEL_COUNT; ++channel) {
        ASSERT_TRUE(std::getline(lines, line));
        // Cleared but never compiled: EV_END and the rest of the zero-filled buffer, whole.
        EXPECT_EQ(line.rfind(std::to_string(channel) + ": 254,0 0,0 0,0 ", 0), 0u) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), EVENT_BUFFER_BYTES / 2);
    }
    EXPECT_FALSE(std::getline(lines, line));
}

} // namespace
} // namespace chimora

namespace chimora {
namespace {

using testing::runRenderer;
using testing::RunResult;
using testing::writeScratchFile;

TEST(RenderCliTest, EventsListsEachEventWithItsTimeAndMeaning) {
    const std::string song = writeScratchFile(".mml", "0t120 [c4/d8]3 e4x\r\n");
    const RunResult result = runRenderer("--events " + song);
    std::remove(song.c_str());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "channel      time   ticks  event\n"
                          "      0     0.000s       0  tempo 120\n"
                          "      0     0.000s       0  repeat start\n"
                          "      0     0.000s       0  note c4 48 ticks\n"
                          "      0     0.500s      48  repeat break\n"
                          "      0     0.500s      48  note d4 24 ticks\n"
                          "      0     0.750s      72  repeat end, 3 passes\n"
                          "      0     2.000s     192  note e4 48 ticks\n"
                          "      0     2.500s     240  end (x): the channel stops\n"
                          "      1                     (empty)\n"
                          "      2                     (empty)\n"
                          "      3                     (empty)\n"
                          "      4                     (empty)\n"
                          "      5                     (empty)\n"
                          "      6                     (empty)\n"
                          "      7                     (empty)\n");
}

TEST(RenderCliTest, WarningsGoToStderrQuietHidesThemAndStrictFails) {
    const std::string song = writeScratchFile(".mml", "0t120 v 10 cdex\n");
    const RunResult plain = runRenderer(song + " -o -");
    const RunResult quiet = runRenderer(song + " --quiet -o -");
    const RunResult strict = runRenderer(song + " --strict -o -");
    std::remove(song.c_str());
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_NE(plain.err.find(".mml:1: warning: the line ends with LF alone"), std::string::npos)
        << plain.err;
    EXPECT_NE(plain.err.find("chimora-render: rendered "), std::string::npos) << plain.err;
    EXPECT_NE(plain.err.find(" dBFS"), std::string::npos) << "the summary gives the peak";
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, plain.out) << "warnings never change the samples";
    EXPECT_EQ(strict.exitCode, 1);
    EXPECT_EQ(strict.out, "") << "nothing is rendered";
}

TEST(RenderCliTest, UsageErrorsExitWithTwoInPlainWords) {
    const std::string song = writeScratchFile(".mml", "0cx\r\n");
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {song + " --secnds 3 -o -", "unknown option '--secnds'; did you mean --seconds?"},
        {song + " -o - --seconds", "--seconds needs a number of seconds, e.g. --seconds 10"},
        {song + " -o - --seconds ten", "('ten' is not a number)"},
        {song + " " + song + " -o -", "only one song file"},
        {song, "no output given"},
        {"--chime noon -o -", "there is no chime 'noon'"},
        {song + " -o out.mp3", "cannot write '.mp3' files; its output formats are .wav"},
        {song + " --loops 2 --seconds 3 -o -", "--seconds and --loops both set the length"},
        {song + " --loops 0 -o -", "--loops needs a number of passes of 1 or more"},
        {song + " --loops 1.5 -o -", "('1.5' is not a whole number from 1 to 1000000)"},
        {"--chime hour --loops 2 -o -", "--loops applies to songs"},
        {song + " --fade -1 -o -", "('-1' is negative)"},
        {song + " --play --fade 2", "--fade shapes a file; it does not go with --play"},
        {song + " --watch -o -", "--watch goes with --play"},
        {"- --play --watch", "--watch needs a song file to watch"},
        {song + " --device null -o -", "--device goes with --play"},
        {song + " --events --loops 2", "leave out --chime, -o, --play, --seconds, --loops"},
    };
    for (const auto& item : cases) {
        const RunResult result = runRenderer(item.arguments);
        EXPECT_EQ(result.exitCode, 2) << item.arguments;
        EXPECT_NE(result.err.find(item.message), std::string::npos) << result.err;
    }
    std::remove(song.c_str());
    const RunResult version = runRenderer("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("chimora-render ", 0), 0u) << version.out;
    const RunResult help = runRenderer("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Examples:"), std::string::npos);
    EXPECT_NE(help.out.find("docs/mml.md"), std::string::npos);
}

} // namespace
} // namespace chimora
