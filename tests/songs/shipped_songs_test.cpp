// The songs shipped in jihomml/ as a fresh install plays them 30 seconds before the hour: one
// for every hour, each ending by itself before the scheduler cuts it at second 56, loud enough
// to hear at the default volume step and with headroom for the loudest step (1.41), and never
// louder than 16 bits hold, since the mixer wraps around instead of clipping.
#include "song_file.h"
#include "song_start.h"
#include "song_warnings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace chimora {
namespace {

namespace fs = std::filesystem;

constexpr double MELODY_SECONDS = 26.0; // from second 30 to the stop at second 56
constexpr double DEFAULT_VOLUME_GAIN = 1.0;
constexpr double QUIETEST_PEAK_DBFS = -12.0;
constexpr double LOUDEST_PEAK_DBFS = -3.0; // +3 dB at the loudest step still fits 16 bits

std::vector<std::string> shippedSongNames() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(CHIMORA_SHIPPED_SONGS_DIR)) {
        if (entry.path().extension() == ".mml") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> songBytes(const std::string& name) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(readSongFile(std::string(CHIMORA_SHIPPED_SONGS_DIR "/") + name, bytes, error))
        << error;
    return bytes;
}

struct Playback {
    double endSeconds = 0.0; // when no channel was active any more, to the block
    bool ended = false;
    int peak = 0;                          // largest magnitude of the mixed sum
    std::uint64_t samplesBeyond16Bits = 0; // sums the mixer would wrap around
};

// Plays the song at the default volume step for as long as the clock lets it play. The eight
// channels are summed in wide integers, as the mixer would before wrapping to 16 bits, so that
// a sum out of range is counted rather than hidden.
Playback play(const std::vector<std::uint8_t>& fileBytes) {
    auto engine = std::make_unique<Engine>();
    startSongFile(*engine, fileBytes, DEFAULT_VOLUME_GAIN);
    Playback playback;
    std::int16_t channelBlock[BLOCK_SAMPLES];
    const auto maxBlocks = static_cast<int>(MELODY_SECONDS * SAMPLE_RATE / BLOCK_FRAMES);
    for (int block = 1; block <= maxBlocks && !playback.ended; ++block) {
        std::vector<int> sum(BLOCK_SAMPLES, 0);
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            engine->renderChannel(channel, channelBlock, BLOCK_BYTES);
            for (int sample = 0; sample < BLOCK_SAMPLES; ++sample) {
                sum[static_cast<std::size_t>(sample)] += channelBlock[sample];
            }
        }
        for (const int value : sum) {
            const double scaled = value * DEFAULT_VOLUME_GAIN;
            playback.peak = std::max(playback.peak, static_cast<int>(std::abs(scaled)));
            if (scaled > 32767.0 || scaled < -32768.0) ++playback.samplesBeyond16Bits;
        }
        playback.ended = engine->countActiveChannels() == 0;
        playback.endSeconds = static_cast<double>(block) * BLOCK_FRAMES / SAMPLE_RATE;
    }
    return playback;
}

double dbfs(int peak) { return 20.0 * std::log10(peak / 32768.0); }

class ShippedSongTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ShippedSongTest, EndsInTimeWithinTheLevelRange) {
    const Playback playback = play(songBytes(GetParam()));
    EXPECT_TRUE(playback.ended) << "still playing when the clock stops it at second 56";
    EXPECT_EQ(playback.samplesBeyond16Bits, 0u) << "samples that wrap around";
    EXPECT_GE(dbfs(playback.peak), QUIETEST_PEAK_DBFS) << "peak " << playback.peak;
    EXPECT_LE(dbfs(playback.peak), LOUDEST_PEAK_DBFS) << "peak " << playback.peak;
}

// What the renderer warns a song author about: line ends, characters that are no command, a
// channel without x, a song that outlasts the 26 seconds.
TEST_P(ShippedSongTest, GivesTheRendererNoWarning) {
    std::vector<std::uint8_t> bytes = songBytes(GetParam());
    for (const SongWarning& warning : findSongWarnings(bytes)) {
        ADD_FAILURE() << "line " << warning.line << ": " << warning.text;
    }
}

// The song loader ends a line only at CR and skips the byte after it: a file saved with LF
// ends would play as one long line. Comment lines say where the tune comes from.
TEST_P(ShippedSongTest, IsAsciiWithCrLfLinesAndNamesItsSource) {
    std::vector<std::uint8_t> bytes = songBytes(GetParam());
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back(), '\n') << "the last line has no line end";
    std::string text(bytes.begin(), bytes.end());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        ASSERT_LT(byte, 128u) << "non-ASCII byte at " << at;
        if (byte == '\n') {
            ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "LF without CR at " << at;
        }
        if (byte == '\r') {
            ASSERT_TRUE(at + 1 < text.size() && text[at + 1] == '\n') << "CR without LF at " << at;
        }
    }
    const bool original = text.find("Original composition") != std::string::npos;
    const bool publicDomain = text.find("Public domain melody") != std::string::npos;
    EXPECT_TRUE(original || publicDomain) << "no comment line saying where the tune comes from";
}

// "07a.mml" runs as song_07a.
std::string songTestName(const ::testing::TestParamInfo<std::string>& song) {
    std::string name = fs::path(song.param).stem().string();
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return "song_" + name;
}

INSTANTIATE_TEST_SUITE_P(Jihomml, ShippedSongTest, ::testing::ValuesIn(shippedSongNames()),
                         songTestName);

// The scheduler picks among the names that begin with the hour in two digits.
TEST(ShippedSongsTest, EveryHourHasASong) {
    std::set<int> hours;
    for (const std::string& name : shippedSongNames()) {
        if (name.size() >= 2 && std::isdigit(static_cast<unsigned char>(name[0])) &&
            std::isdigit(static_cast<unsigned char>(name[1]))) {
            hours.insert(std::stoi(name.substr(0, 2)));
        }
    }
    for (int hour = 0; hour < 24; ++hour) EXPECT_TRUE(hours.count(hour)) << "no song for " << hour;
}

} // namespace
} // namespace chimora
