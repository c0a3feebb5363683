// The output formats and exact lengths, on renders of the example song.
#include "output_format.h"
#include "render_process.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#ifdef CHIMORA_HAVE_SNDFILE
#include <sndfile.h>
#endif

#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::readFileBytes;
using testing::runRenderer;
using testing::RunResult;
using testing::TempDirectory;

const std::string EXAMPLE_SONG = std::string("'") + CHIMORA_SONGS_DIR + "/example.mml'";

// A shorter render is the start of a longer one: the last, shorter block holds the very frames
// a whole block would begin with.
TEST(RenderFormatsTest, SecondsGiveExactlyTheFramesThatCoverThem) {
    const struct {
        const char* seconds;
        std::size_t frames;
    } cases[] = {
        {"0", 0},       {"0.00001", 1}, {"0.1", 4410}, {"0.0341", 1504}, // 1503.81
        {"1.1", 48510}, {"2", 88200},   {"1e-9", 1},
    };
    const RunResult longest = runRenderer(EXAMPLE_SONG + " --seconds 2 -o -");
    ASSERT_EQ(longest.exitCode, 0) << longest.err;
    for (const auto& item : cases) {
        const RunResult result = runRenderer(EXAMPLE_SONG + " --seconds " + item.seconds + " -o -");
        ASSERT_EQ(result.exitCode, 0) << item.seconds << ": " << result.err;
        EXPECT_EQ(result.out.size(), 4 * item.frames) << "--seconds " << item.seconds;
        EXPECT_EQ(result.out, longest.out.substr(0, result.out.size())) << item.seconds;
    }
}

#ifdef CHIMORA_HAVE_SNDFILE

struct Decoded {
    SF_INFO info{};
    std::vector<std::int16_t> samples;
};

Decoded decode(const std::string& path) {
    Decoded decoded;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &decoded.info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (file == nullptr) return decoded;
    decoded.samples.resize(static_cast<std::size_t>(decoded.info.frames) * 2);
    sf_readf_short(file, decoded.samples.data(), decoded.info.frames);
    sf_close(file);
    return decoded;
}

TEST(RenderFormatsTest, FlacHoldsTheWavSamplesAndOggAsManyFrames) {
    TempDirectory folder;
    for (const char* name : {"song.wav", "song.FLAC", "song.ogg"}) {
        const RunResult result =
            runRenderer(EXAMPLE_SONG + " --seconds 2.5 -o '" + folder.file(name) + "'");
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
    }
    const std::vector<std::uint8_t> wav = readFileBytes(folder.file("song.wav"));
    ASSERT_EQ(wav.size(), 44u + 4 * 110250);
    std::vector<std::int16_t> wavSamples(110250 * 2);
    for (std::size_t i = 0; i < wavSamples.size(); ++i) {
        wavSamples[i] = static_cast<std::int16_t>(wav[44 + 2 * i] | wav[45 + 2 * i] << 8);
    }

    const Decoded flac = decode(folder.file("song.FLAC"));
    EXPECT_EQ(flac.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(flac.info.channels, 2);
    EXPECT_EQ(flac.info.samplerate, 44100);
    EXPECT_EQ(flac.samples, wavSamples) << "FLAC is lossless";

    const Decoded ogg = decode(folder.file("song.ogg"));
    EXPECT_EQ(ogg.info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    EXPECT_EQ(ogg.info.frames, 110250);
    EXPECT_EQ(ogg.info.channels, 2);
    int loudest = 0;
    for (const std::int16_t sample : ogg.samples) loudest = std::max(loudest, std::abs(sample));
    EXPECT_GT(loudest, 2000) << "the song is in the Ogg file";
}

#endif

} // namespace
} // namespace chimora
