#include "engine_test_support.h"

#include "test_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::Event;
using testing::streamOf;

constexpr int END = EV_STREAM_END;

struct CompileCase {
    const char* mml;
    std::vector<Event> events; // up to and including the terminator; unset arguments read 0
};

std::vector<Event> compiled(const char* mml) {
    Engine engine;
    engine.clearAllEvents();
    engine.compileChannel(0, mml);
    return streamOf(engine, 0);
}

// Each row is named after its MML text.
std::string compileCaseName(const ::testing::TestParamInfo<CompileCase>& row) {
    return testing::testNameFromText(row.param.mml);
}
void PrintTo(const CompileCase& item, std::ostream* out) { *out << '"' << item.mml << '"'; }

class CompileTable : public ::testing::TestWithParam<CompileCase> {};

TEST_P(CompileTable, CompilesToExactEvents) {
    EXPECT_EQ(compiled(GetParam().mml), GetParam().events) << "MML: " << GetParam().mml;
}

// The built-in chimes, byte for byte.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Chimes, CompileTable,
    ::testing::Values(
        CompileCase{"t60o5@0 l4 h90 m3 i3 w15  v15 D0  q2a1x",
                    {{253, 60}, {244, 0}, {251, 90}, {242, 3}, {250, 3}, {235, 15}, {252, 15},
                     {245, 0}, {248, 2}, {69, 192}, {254, 0}, {END, 0}}},
        CompileCase{"t120o4@2 l4 h90 m3 i2 w10  v9 D20 q6ararar>q8a2.x",
                    {{253, 120}, {244, 2}, {251, 90}, {242, 3}, {250, 2}, {235, 10}, {252, 9},
                     {245, 20}, {248, 6}, {57, 48}, {0, 48}, {57, 48}, {0, 48}, {57, 48},
                     {0, 48}, {248, 8}, {69, 144}, {254, 0}, {END, 0}}},
        CompileCase{"t60o5@0 l4 h90 m3 i2 w15  v15 D0  q8r16f2x",
                    {{253, 60}, {244, 0}, {251, 90}, {242, 3}, {250, 2}, {235, 15}, {252, 15},
                     {245, 0}, {248, 8}, {0, 12}, {65, 96}, {254, 0}, {END, 0}}}),
    compileCaseName);
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TiesAndLengths, CompileTable,
    ::testing::Values(
        CompileCase{"c4&c4", {{247, 0}, {48, 48}, {48, 48}, {END, 0}}},
        CompileCase{"&c4", {{48, 48}, {END, 0}}},
        CompileCase{"v5&", {{247, 0}, {252, 5}, {END, 0}}}, // the tie moves any event
        CompileCase{"c1.", {{48, 32}, {END, 0}}},            // 288 modulo 256
        CompileCase{"c1..", {{48, 80}, {END, 0}}},
        CompileCase{"c2..", {{48, 168}, {END, 0}}},
        CompileCase{"c4.", {{48, 72}, {END, 0}}},
        CompileCase{"c4..", {{48, 84}, {END, 0}}},
        CompileCase{"c3.", {{48, 96}, {END, 0}}},
        CompileCase{"c0", {{48, 192}, {END, 0}}},
        CompileCase{"c00", {{48, 192}, {END, 0}}},
        CompileCase{"c64", {{48, 3}, {END, 0}}},
        CompileCase{"c99", {{48, 1}, {END, 0}}},
        CompileCase{"c5", {{48, 38}, {END, 0}}},
        CompileCase{"c123", {{48, 16}, {END, 0}}}, // "12", then "3" is skipped
        CompileCase{"c...", {{48, 42}, {END, 0}}}, // a third dot is skipped
        CompileCase{"c4+", {{48, 48}, {END, 0}}},  // an accidental after the length is skipped
        CompileCase{"%5c.", {{48, 7}, {END, 0}}},
        CompileCase{"%0c", {{48, 0}, {END, 0}}},
        CompileCase{"l0c", {{48, 192}, {END, 0}}},
        CompileCase{"l4c.", {{48, 72}, {END, 0}}},
        CompileCase{"l4%6l c", {{48, 24}, {END, 0}}}, // "l" alone means eighths again
        CompileCase{"l16%30c", {{48, 30}, {END, 0}}}),
    compileCaseName);
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TempoForms, CompileTable,
    ::testing::Values(CompileCase{"t120.5", {{253, 120}, {236, 50}, {END, 0}}},
                      CompileCase{"t120.50", {{253, 120}, {236, 50}, {END, 0}}},
                      CompileCase{"t120.05", {{253, 120}, {236, 5}, {END, 0}}},
                      CompileCase{"t120.", {{253, 120}, {END, 0}}},
                      CompileCase{"t300", {{253, 44}, {END, 0}}},
                      CompileCase{"t256", {{253, 15}, {END, 0}}},
                      CompileCase{"t5", {{253, 15}, {END, 0}}},
                      CompileCase{"t1234", {{253, 123}, {END, 0}}}, // three digits, then "4" is skipped
                      CompileCase{"t", {{253, 165}, {END, 0}}},
                      CompileCase{"t.5c", {{253, 165}, {48, 24}, {END, 0}}}),
    compileCaseName);
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    OctavesAndAccidentals, CompileTable,
    ::testing::Values(CompileCase{"o9>c", {{84, 24}, {END, 0}}},
                      CompileCase{"o7>c", {{84, 24}, {END, 0}}},
                      CompileCase{"o0<c+", {{1, 24}, {END, 0}}},
                      CompileCase{"oac", {{108, 24}, {END, 0}}},
                      CompileCase{"o c", {{0, 24}, {END, 0}}},
                      CompileCase{"o12c", {{12, 24}, {END, 0}}},
                      CompileCase{"o\x82" "c", {{0, 24}, {END, 0}}}, // high bytes count as below "0"
                      CompileCase{"<<c", {{24, 24}, {END, 0}}},
                      CompileCase{"o0c", {{0, 24}, {END, 0}}},
                      CompileCase{"r+", {{1, 24}, {END, 0}}},
                      CompileCase{"o9b+", {{120, 24}, {END, 0}}},
                      CompileCase{"c+-", {{48, 24}, {END, 0}}},
                      CompileCase{"c-+", {{47, 24}, {END, 0}}},
                      CompileCase{"c++", {{49, 24}, {END, 0}}},
                      CompileCase{"Cc", {{48, 24}, {END, 0}}}),
    compileCaseName);
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    ClampsAndDefaults, CompileTable,
    ::testing::Values(
        CompileCase{"v20", {{252, 15}, {END, 0}}}, CompileCase{"v123", {{252, 12}, {END, 0}}},
        CompileCase{"v", {{252, 13}, {END, 0}}}, CompileCase{"v 10", {{252, 13}, {END, 0}}},
        CompileCase{"p0", {{237, 1}, {END, 0}}}, CompileCase{"p20", {{237, 15}, {END, 0}}},
        CompileCase{"p", {{237, 8}, {END, 0}}}, CompileCase{"q0", {{248, 8}, {END, 0}}},
        CompileCase{"q", {{248, 8}, {END, 0}}}, CompileCase{"q12", {{248, 1}, {END, 0}}},
        CompileCase{"]", {{240, 2}, {END, 0}}}, CompileCase{"]0", {{240, 0}, {END, 0}}},
        CompileCase{"h", {{251, 99}, {END, 0}}}, CompileCase{"w", {{235, 84}, {END, 0}}},
        CompileCase{"i j @ m n", {{250, 0}, {249, 0}, {244, 0}, {242, 0}, {238, 0}, {END, 0}}},
        CompileCase{"()", {{234, 0}, {234, 1}, {END, 0}}},
        CompileCase{"L x", {{246, 0}, {254, 0}, {END, 0}}},
        CompileCase{"D-5", {{245, 251}, {END, 0}}}, CompileCase{"D-+5", {{245, 5}, {END, 0}}},
        CompileCase{"D+-5", {{245, 0}, {END, 0}}}, CompileCase{"D-", {{245, 0}, {END, 0}}},
        CompileCase{"D+5", {{245, 5}, {END, 0}}}, CompileCase{"s+3", {{243, 3}, {END, 0}}},
        CompileCase{"s-99", {{243, 157}, {END, 0}}}, CompileCase{"_12", {{233, 12}, {END, 0}}},
        CompileCase{"[c/d]3e",
                    {{241, 0}, {48, 24}, {239, 0}, {50, 24}, {240, 3}, {52, 24}, {END, 0}}},
        CompileCase{"[c:d]", {{241, 0}, {48, 24}, {239, 0}, {50, 24}, {240, 2}, {END, 0}}}),
    compileCaseName);
// clang-format on

// A flat on C of octave 0, and a flat rest, give code 255, which reads as the stream's end.
TEST(MmlCompiler, FlatBelowNoteZeroWritesCode255) {
    for (const char* mml : {"o0c-o4d", "r-d"}) {
        Engine engine;
        engine.compileChannel(0, mml);
        const std::uint8_t* buffer = engine.channels[0].events;
        EXPECT_EQ(std::vector<int>(buffer, buffer + 5), (std::vector<int>{255, 24, 50, 24, 255}))
            << "MML: " << mml;
    }
}

TEST(MmlCompiler, TextWithoutEventsLeavesByteZero) {
    for (const char* mml : {"", "C", "o5 l4 < > kuyz 123 +-.", "\t\r\n"}) {
        Engine engine;
        engine.clearAllEvents();
        engine.compileChannel(0, mml);
        EXPECT_EQ(engine.channels[0].events[0], EV_END) << "MML: " << mml;
    }
}

TEST(MmlCompiler, ArgumentNotSetKeepsTheOldByte) {
    Engine engine;
    engine.compileChannel(0, "v7v9");
    engine.clearAllEvents();
    engine.compileChannel(0, "[x");
    EXPECT_EQ(streamOf(engine, 0), (std::vector<Event>{{241, 7}, {254, 9}, {END, 0}}));
}

TEST(MmlCompiler, RefusesChannelEightAndRunningChannels) {
    Engine engine;
    engine.compileChannel(8, "c"); // must not write anywhere
    engine.compileChannel(0, "c");
    engine.startChannel(0);
    ASSERT_TRUE(engine.channels[0].active);
    engine.compileChannel(0, "d");
    EXPECT_EQ(streamOf(engine, 0), (std::vector<Event>{{48, 24}, {END, 0}}));
    for (int channel = 1; channel < CHANNEL_COUNT; ++channel) {
        EXPECT_EQ(engine.channels[channel].events[0], EV_END);
    }
}

// 1100 notes: the first 1020 fill slots 0..2038, the last slot holds the last note.
TEST(MmlCompiler, OverlongTextKeepsTheLastEventInTheLastSlot) {
    const std::string letters = "cdefgab";
    std::string mml;
    for (int note = 0; note < 1100; ++note) mml += letters[note % 7];
    const int semitones[] = {0, 2, 4, 5, 7, 9, 11};
    Engine engine;
    engine.compileChannel(0, mml.c_str());
    const std::uint8_t* buffer = engine.channels[0].events;
    for (int note = 0; note < 1020; ++note) {
        ASSERT_EQ(buffer[2 * note], 48 + semitones[note % 7]) << "slot " << 2 * note;
    }
    EXPECT_EQ(buffer[2040], 48 + semitones[1099 % 7]);
    EXPECT_EQ(buffer[2041], 24);
    EXPECT_EQ(buffer[2042], EV_STREAM_END);
}

TEST(MmlCompiler, FullBufferTakesTempoFractionAndTie) {
    const std::string notes(1030, 'c');
    Engine engine;
    engine.compileChannel(0, (notes + "t120.5").c_str());
    const std::uint8_t* buffer = engine.channels[0].events;
    EXPECT_EQ(std::vector<int>(buffer + 2038, buffer + 2045),
              (std::vector<int>{48, 24, 253, 120, 236, 50, 255}));

    engine.compileChannel(1, (notes + "d&").c_str());
    buffer = engine.channels[1].events;
    // The tie copies the event before the write position over the last slot.
    EXPECT_EQ(std::vector<int>(buffer + 2036, buffer + 2043),
              (std::vector<int>{48, 24, 247, 0, 48, 24, 255}));
}

} // namespace
} // namespace chimora
