// The warnings for songs the clock misreads: each on a real song text, with its line.
#include "song_warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chimora {
namespace {

struct WarningCase {
    const char* name;
    std::string song;
    std::size_t line;  // of the warning looked for
    std::string words; // a part of its text
};

void PrintTo(const WarningCase& item, std::ostream* out) { *out << item.name; }

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::string describe(const std::vector<SongWarning>& warnings) {
    std::string text;
    for (const SongWarning& warning : warnings) {
        text += std::to_string(warning.line) + ": " + warning.text + "\n";
    }
    return text;
}

class SongWarningTest : public ::testing::TestWithParam<WarningCase> {};

TEST_P(SongWarningTest, NamesTheLineAndTheFault) {
    const WarningCase& item = GetParam();
    const std::vector<SongWarning> warnings = findSongWarnings(bytesOf(item.song));
    bool found = false;
    for (const SongWarning& warning : warnings) {
        found = found ||
                (warning.line == item.line && warning.text.find(item.words) != std::string::npos);
    }
    EXPECT_TRUE(found) << describe(warnings);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Songs, SongWarningTest, ::testing::Values(
    WarningCase{"LineFeedAlone", "; song\n0cdex\n", 1, "sed -i"},
    WarningCase{"CarriageReturnAlone", "; song\r0cdex\r", 1, "CR without LF"},
    WarningCase{"ByteOrderMark", "\xEF\xBB\xBF" "0cdex\r\n", 1, "byte-order mark"},
    WarningCase{"BlankBeforeChannelDigit", "0cx\r\n 1cdex\r\n", 2, "remove the blank"},
    WarningCase{"ChannelNine", "0cx\r\n9cdex\r\n", 2, "no channel 9"},
    WarningCase{"UpperCaseNotes", "0cx\r\n1O5 CDEFG x\r\n", 2, "'O' is no command"},
    WarningCase{"BlankBeforeNumber", "0v 10cx\r\n", 1, "blank between 'v'"},
    WarningCase{"ThirdDigit", "0v123cx\r\n", 1, "digit '3' is skipped"},
    WarningCase{"NumberAfterLoopPoint", "0L4cx\r\n", 1, "digit '4' is skipped"},
    WarningCase{"TextWithoutNote", "0cx\r\n; bass\r\n1v12 r4x\r\n", 3, "channel 1 has text but no note"},
    WarningCase{"NoSoundAtAll", "; nothing\r\n", 0, "makes no sound"},
    WarningCase{"NeverEnds", "0t120 cdeL gab\r\n", 1, "never ends"},
    WarningCase{"LongerThanTheMelodyBeforeTheHour", "0t60 c1c1c1c1c1c1c1x\r\n", 0, "26 seconds"}),
    [](const ::testing::TestParamInfo<WarningCase>& test) { return std::string(test.param.name); });
// clang-format on

TEST(SongWarningsTest, AWellFormedSongHasNone) {
    const std::string song = "; a tune\r\n0t120@32v12l8 cdefgab>c x\r\n1t120@2o3 l4 c g c g x\r\n";
    EXPECT_EQ(describe(findSongWarnings(bytesOf(song))), "");
}

TEST(SongWarningsTest, AChannelLineIsCheckedOnlyWhereTheClockReadsIt) {
    // Blanks, the channel digit and CR LF are fine; a comment may hold any characters.
    const std::string song = "; Title: ABC 123 - (c) 2026\r\n0t120 v12 l4 c d e x\r\n";
    EXPECT_EQ(describe(findSongWarnings(bytesOf(song))), "");
}

} // namespace
} // namespace chimora
