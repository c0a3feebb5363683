// Song files: how lines are split, tagged, joined and cut into pieces, and how the channels
// are compiled and started.
#include "engine.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::Event;
using testing::streamOf;

const Event C{48, 24};
const Event D{50, 24};
const Event E{52, 24};
const Event F{53, 24};
const Event TERMINATOR{EV_STREAM_END, 0};
const std::vector<Event> EMPTY{{EV_END, 0}}; // what clearAllEvents left in an unused buffer

// The channel's events up to the first end of either kind: a buffer that only clearAllEvents
// wrote to holds EV_END and then whatever the rest of the buffer held.
std::vector<Event> eventsOf(const Engine& engine, int channel) {
    std::vector<Event> events;
    for (const Event& event : streamOf(engine, channel)) {
        events.push_back(event);
        if (event.first == EV_END) break;
    }
    return events;
}

// Loads the bytes as a song file; the byte after them is 'e', which must never be read as text.
void load(Engine& engine, const std::string& file) {
    std::string data = file + 'e';
    engine.loadSong(reinterpret_cast<const std::uint8_t*>(data.data()), file.size());
}

std::vector<Event> stream(std::initializer_list<Event> events) {
    std::vector<Event> result(events);
    result.push_back(TERMINATOR);
    return result;
}

struct SplitCase {
    const char* name;
    std::string file;
    std::vector<std::vector<Event>> firstChannels; // streams of channels 0, 1, ...
};

TEST(SongLoaderTest, SplitsLinesIntoChannelTexts) {
    // clang-format off
    const SplitCase cases[] = {
        {"CR LF lines, a comment ignored", "0c\r\n1d\r\n;e\r\n", {stream({C}), stream({D})}},
        {"last line without a line end", "0c\r\n1d", {stream({C}), stream({D})}},
        {"LF alone ends no line", "0c\n1d\n", {stream({C, D}), EMPTY}},
        {"CR alone swallows the next line's digit", "0c\r1d\r2e\r", {stream({C}), EMPTY, EMPTY}},
        {"unless its second byte is a digit", "0c\r11d\r", {stream({C}), stream({D})}},
        {"8, 9, blank, empty and other lines ignored", "8c\r\n9d\r\n c\r\n\r\nxe\r\n0f",
         {stream({F})}},
        {"lines of one channel joined without a separator", "3o\r\n35c\r\n3d\r\n",
         {EMPTY, EMPTY, EMPTY, stream({{60, 24}, {62, 24}})}},
        {"a digit alone appends nothing", "2\r\n", {EMPTY, EMPTY, EMPTY}},
        {"the last byte a CR", "0c\r", {stream({C})}},
        {"the last byte the LF after a CR", "0c\r\n", {stream({C})}},
        {"the byte after the data is not text", "0c", {stream({C})}},
        {"no channel line at all", "", {EMPTY, EMPTY}},
    };
    // clang-format on
    for (const SplitCase& item : cases) {
        Engine engine;
        load(engine, item.file);
        for (std::size_t channel = 0; channel < item.firstChannels.size(); ++channel) {
            EXPECT_EQ(eventsOf(engine, static_cast<int>(channel)), item.firstChannels[channel])
                << item.name << ", channel " << channel;
        }
    }
}

struct Run {
    Event event;
    int count;
};

std::vector<Event> runs(std::initializer_list<Run> parts) {
    std::vector<Event> events;
    for (const Run& part : parts) events.insert(events.end(), part.count, part.event);
    events.push_back(TERMINATOR);
    return events;
}

TEST(SongLoaderTest, LongLinesGoInPiecesOf128BytesThatEachEndAtANul) {
    const std::string nul(1, '\0');
    const std::string full = std::string(128, 'c') + std::string(128, 'd');
    struct PieceCase {
        const char* name;
        std::string text;
        std::vector<Event> expected;
        // clang-format off
    } cases[] = {
        {"300 bytes, all kept", full + std::string(44, 'e'), runs({{C, 128}, {D, 128}, {E, 44}})},
        {"a NUL loses the rest of its piece only",
         "c" + nul + std::string(126, 'f') + std::string(128, 'd') + std::string(44, 'e'),
         runs({{C, 1}, {D, 128}, {E, 44}})},
        {"a NUL in the last piece", full + "e" + nul + "eee", runs({{C, 128}, {D, 128}, {E, 1}})},
    };
    // clang-format on
    for (const PieceCase& item : cases) {
        Engine engine;
        load(engine, "0" + item.text + "\r\n");
        EXPECT_EQ(eventsOf(engine, 0), item.expected) << item.name;
    }
}

TEST(SongLoaderTest, StartsAllChannelsAndReleasesTheTexts) {
    Engine engine;
    load(engine, "0c\r\n1L d\r\n");
    EXPECT_EQ(engine.channels[0].active, 1);
    EXPECT_EQ(engine.channels[0].keyOn, 1) << "the first note is already set up";
    EXPECT_EQ(engine.channels[1].active, 1);
    EXPECT_EQ(engine.countActiveChannels(), 2) << "empty channels stop as they start";
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        EXPECT_EQ(engine.channels[channel].textOwned, 0);
        EXPECT_TRUE(engine.channelText[channel].empty());
    }
}

TEST(SongLoaderTest, LoadingWhileMusicPlaysStopsItFirst) {
    Engine engine;
    engine.compileChannel(5, "L c");
    engine.startChannel(5);
    ASSERT_EQ(engine.channels[5].active, 1);
    load(engine, "0d\r\n");
    EXPECT_EQ(engine.channels[5].active, 0);
    EXPECT_EQ(eventsOf(engine, 5), EMPTY);
    EXPECT_EQ(eventsOf(engine, 0), stream({D}));
    EXPECT_EQ(engine.channels[0].active, 1);
}

TEST(SongLoaderTest, CompileAndStartAllDoesNothingWhileAChannelRuns) {
    Engine engine;
    engine.compileChannel(6, "L c");
    engine.startChannel(6);
    engine.makeAllTextsEmpty();
    engine.appendChannelText(0, "d");
    engine.compileAndStartAll();
    EXPECT_EQ(eventsOf(engine, 0), EMPTY);
    EXPECT_EQ(engine.channels[0].active, 0);
    engine.stopChannel(6);
    engine.compileAndStartAll();
    EXPECT_EQ(eventsOf(engine, 0), stream({D}));
    EXPECT_EQ(engine.channels[0].active, 1);
    EXPECT_EQ(engine.channels[6].active, 0);
}

TEST(ChannelTextTest, TextsAreHeldGrowAndAreReleased) {
    Engine engine;
    EXPECT_EQ(engine.channels[2].textOwned, 0);
    engine.makeAllTextsEmpty();
    EXPECT_EQ(engine.channels[2].textOwned, 1);
    engine.appendChannelText(2, "o5");
    engine.appendChannelText(2, "c");
    EXPECT_EQ(engine.channelText[2], "o5c");
    engine.makeChannelTextEmpty(2);
    EXPECT_EQ(engine.channelText[2], "");
    engine.appendChannelText(2, "d");
    engine.releaseChannelText(2);
    EXPECT_EQ(engine.channels[2].textOwned, 0);
    EXPECT_EQ(engine.channelText[2], "");
    engine.releaseChannelText(2); // nothing held: nothing happens
    EXPECT_EQ(engine.channels[2].textOwned, 0);
    engine.releaseAllTexts();
    for (const ChannelState& state : engine.channels) EXPECT_EQ(state.textOwned, 0);
}

TEST(ChannelTextTest, AppendingToAReleasedTextStartsANewOne) {
    Engine engine;
    engine.makeChannelTextEmpty(4);
    engine.appendChannelText(4, "abc");
    engine.releaseChannelText(4);
    engine.appendChannelText(4, "d");
    EXPECT_EQ(engine.channelText[4], "d");
    EXPECT_EQ(engine.channels[4].textOwned, 1) << "held, so that a release frees it";
}

} // namespace
} // namespace chimora
