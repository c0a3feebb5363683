// The engine's block mixer against the plain reference mixer: random songs, random event
// streams and idle channels must give the same samples and leave the same channel state.
#include "block_voices.h"
#include "engine.h"
#include "engine_test_support.h"
#include "reference_mixer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace chimora {
namespace {

using testing::referenceMixBlock;
using testing::referenceRenderChannel;

// The seeded generator's integers are the same on every platform; only its own operator() is
// used, never a library distribution.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : generator_(seed) {}
    int below(int bound) { return static_cast<int>(generator_() % static_cast<unsigned>(bound)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::mt19937 generator_;
};

// One channel of MML touching every voice feature: all instrument families, envelopes,
// sweeps, vibrato, detune, transposition, filter, pan, ties, nested repeats with breaks and a
// loop point. Lengths stay short so that a few seconds hold many events.
std::string randomChannelText(Dice& dice) {
    std::string text = "t" + std::to_string(dice.between(60, 255));
    const int instruments[] = {0, 3, 17, 31, 32, 48, 56, 60, 64, 65, 70, 79, 80, 81, 88, 96, 99};
    const char notes[] = "cdefgab";
    int openRepeats = 0;
    if (dice.chance(50)) text += "L";
    const int length = dice.between(10, 60);
    for (int token = 0; token < length; ++token) {
        switch (dice.below(22)) {
        case 0: text += "@" + std::to_string(instruments[dice.below(17)]); break;
        case 1: text += "o" + std::to_string(dice.between(1, 7)); break;
        case 2: text += dice.chance(50) ? ">" : "<"; break;
        case 3: text += "v" + std::to_string(dice.between(0, 15)); break;
        case 4: text += dice.chance(50) ? "(" : ")"; break;
        case 5: text += "p" + std::to_string(dice.between(1, 15)); break;
        case 6: text += "q" + std::to_string(dice.between(1, 9)); break;
        case 7:
            text += "h" + std::to_string(dice.between(0, 99)) + "i" +
                    std::to_string(dice.between(0, 99)) + "j" + std::to_string(dice.between(0, 99));
            break;
        case 8:
            text += "w" +
                    std::to_string(dice.chance(10) ? dice.between(100, 255) : dice.between(0, 99));
            break;
        case 9:
            text += "m" + std::to_string(dice.between(0, 40)) + "n" +
                    std::to_string(dice.between(0, 3));
            break;
        case 10:
            text +=
                "s" + std::string(dice.chance(50) ? "-" : "") + std::to_string(dice.between(0, 60));
            break;
        case 11:
            text +=
                "D" + std::string(dice.chance(50) ? "-" : "") + std::to_string(dice.between(0, 99));
            break;
        case 12:
            text +=
                "_" + std::string(dice.chance(50) ? "-" : "") + std::to_string(dice.between(0, 12));
            break;
        case 13: text += "l" + std::to_string(1 << dice.below(6)); break;
        case 14: text += "r" + std::to_string(1 << dice.below(6)); break;
        case 15:
            if (openRepeats < 3) {
                text += "[";
                ++openRepeats;
            }
            break;
        case 16:
            if (openRepeats > 0) {
                text += "]" + std::to_string(dice.between(0, 4));
                --openRepeats;
            }
            break;
        case 17:
            if (openRepeats > 0) text += "/";
            break;
        case 18: text += "&"; break;
        default:
            text += notes[dice.below(7)];
            if (dice.chance(40)) text += std::to_string(1 << dice.between(2, 5));
            if (dice.chance(20)) text += "&";
            break;
        }
    }
    while (openRepeats-- > 0) text += "]2";
    return text;
}

std::string randomSong(Dice& dice) {
    std::string song;
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        if (dice.chance(10)) continue; // a silent channel now and then
        song += std::to_string(channel) + randomChannelText(dice) + "\r\n";
    }
    return song;
}

// A stream of arbitrary events, as a damaged or hand-made buffer could hold: every code, any
// argument, notes weighted so that something sounds.
void writeRandomStream(Engine& engine, int channel, Dice& dice) {
    std::uint8_t* buffer = engine.channels[channel].events;
    const int events = dice.between(4, 200);
    for (int event = 0; event < events; ++event) {
        int code = dice.chance(45) ? dice.between(0, 120) : dice.between(233, 255);
        int argument = dice.below(256);
        if (code == EV_TEMPO && argument < 30) argument += 30;
        if (code <= EV_LAST_NOTE) argument = dice.between(1, 96);
        buffer[2 * event] = static_cast<std::uint8_t>(code);
        buffer[2 * event + 1] = static_cast<std::uint8_t>(argument);
    }
    buffer[2 * events] = EV_STREAM_END;
}

// Each test runs on the 512-bit path where the processor has it and on the plain path that
// other processors and platforms take.
class TwinEngines : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        wideBefore = wideMixing();
        wideMixing() = GetParam() && wideBefore;
    }
    void TearDown() override { wideMixing() = wideBefore; }

    void loadSongInBoth(const std::string& song) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(song.data());
        fast->loadSong(bytes, song.size());
        plain->loadSong(bytes, song.size());
    }

    // Mixes blocks in both engines and stops at the first block that differs.
    void expectSameBlocks(int blocks, const std::string& what,
                          std::int32_t lengthBytes = BLOCK_BYTES) {
        for (int index = 0; index < blocks; ++index) {
            std::vector<std::int16_t> fastBlock(BLOCK_SAMPLES, 111);
            std::vector<std::int16_t> plainBlock(BLOCK_SAMPLES, 222);
            fast->mixBlock(fastBlock.data(), lengthBytes);
            referenceMixBlock(*plain, plainBlock.data(), lengthBytes);
            ASSERT_EQ(firstDifference(fastBlock, plainBlock), -1) << what << ", block " << index;
            expectSameState(what + ", block " + std::to_string(index));
            if (::testing::Test::HasFailure()) return;
        }
    }

    static int firstDifference(const std::vector<std::int16_t>& a,
                               const std::vector<std::int16_t>& b) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i] != b[i]) return static_cast<int>(i);
        }
        return -1;
    }

    // Every running value bit for bit, so that a difference shows where it starts rather than
    // blocks later in the sound.
    void expectSameState(const std::string& what) {
        EXPECT_EQ(fast->noiseRegister, plain->noiseRegister) << what;
        EXPECT_EQ(fast->lastNoiseMode, plain->lastNoiseMode) << what;
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            const ChannelState& a = fast->channels[channel];
            const ChannelState& b = plain->channels[channel];
            const std::string where = what + ", channel " + std::to_string(channel);
            const std::pair<const char*, std::pair<double, double>> doubles[] = {
                {"phase", {a.phase, b.phase}},
                {"frequency", {a.frequency, b.frequency}},
                {"sweepOffset", {a.sweepOffset, b.sweepOffset}},
                {"vibratoOffset", {a.vibratoOffset, b.vibratoOffset}},
                {"vibratoStep", {a.vibratoStep, b.vibratoStep}},
                {"envelopeLevel", {a.envelopeLevel, b.envelopeLevel}},
                {"noisePhase", {a.noisePhase, b.noisePhase}},
                {"filterLeft", {a.filterLeft, b.filterLeft}},
                {"filterRight", {a.filterRight, b.filterRight}},
                {"stepSamples", {a.stepSamples, b.stepSamples}},
                {"gateSamples", {a.gateSamples, b.gateSamples}},
            };
            for (const auto& [name, values] : doubles) {
                EXPECT_EQ(std::memcmp(&values.first, &values.second, sizeof(double)), 0)
                    << where << ": " << name << " " << values.first << " vs " << values.second;
            }
            EXPECT_EQ(a.envelopePhase, b.envelopePhase) << where;
            EXPECT_EQ(a.envelopeRestart, b.envelopeRestart) << where;
            EXPECT_EQ(a.keyOn, b.keyOn) << where;
            EXPECT_EQ(a.active, b.active) << where;
            EXPECT_EQ(a.readPos, b.readPos) << where;
            EXPECT_EQ(a.noiseLevel, b.noiseLevel) << where;
            EXPECT_EQ(a.vibratoCounter, b.vibratoCounter) << where;
            EXPECT_EQ(a.vibratoDelayLeft, b.vibratoDelayLeft) << where;
        }
    }

    std::unique_ptr<Engine> fast = std::make_unique<Engine>();
    std::unique_ptr<Engine> plain = std::make_unique<Engine>();
    bool wideBefore = false;
};

TEST_P(TwinEngines, RandomSongsMixAsTheReference) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        fast = std::make_unique<Engine>();
        plain = std::make_unique<Engine>();
        Dice dice(seed);
        const std::string song = randomSong(dice);
        const double gains[] = {1.0, 2.7, 0.705, 1.41, 300000.0};
        fast->setMasterGain(gains[seed % 5]);
        plain->setMasterGain(gains[seed % 5]);
        loadSongInBoth(song);
        expectSameBlocks(60, "seed " + std::to_string(seed) + " song " + song);
        if (HasFailure()) return;
        // Stopped channels keep their oscillators, pitch and envelopes moving in silence.
        fast->stopAllChannels();
        plain->stopAllChannels();
        expectSameBlocks(6, "seed " + std::to_string(seed) + " after stopping");
        if (HasFailure()) return;
    }
}

TEST_P(TwinEngines, RandomEventStreamsMixAsTheReference) {
    for (std::uint32_t seed = 100; seed < 140; ++seed) {
        fast = std::make_unique<Engine>();
        plain = std::make_unique<Engine>();
        Dice dice(seed);
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            Dice copy = dice;
            writeRandomStream(*fast, channel, dice);
            writeRandomStream(*plain, channel, copy);
        }
        // A channel mixed at its own gain as well.
        fast->channels[seed % 8].mixGain = plain->channels[seed % 8].mixGain = 0.6;
        fast->startAllChannels();
        plain->startAllChannels();
        expectSameBlocks(40, "stream seed " + std::to_string(seed));
        if (HasFailure()) return;
    }
}

TEST_P(TwinEngines, PartialAndOversizedBlocksMixAsTheReference) {
    Dice dice(7);
    loadSongInBoth(randomSong(dice));
    for (const std::int32_t length : {6000, 4, 5, 5996, 0, -8, 6004, 100000}) {
        expectSameBlocks(2, "length " + std::to_string(length), length);
    }
}

// Values no song leads to, written into the records from outside: the fast paths must notice
// them and fall back to the rules (filter states beyond 16 bits, a diverging filter, a noise
// register using its spare top bit, noise clocks and phases outside the cycle).
TEST_P(TwinEngines, StatesSetFromOutsideMixAsTheReference) {
    // Volumes below 15, so that a sample wrapped too late shows; channel 1's slow noise takes
    // its first register step alone in a frame, where the spare top bit shows.
    const std::string song = "0t120@0l8v12 cdefgab>c\r\n1t120@72l8v12 cdefgab\r\n"
                             "2t120@81l8v12 cdefgab\r\n3t120@32l8v12 cdefgab\r\n";
    struct Poke {
        const char* what;
        void (*apply)(Engine&);
    };
    const Poke pokes[] = {
        {"a filter state beyond 16 bits",
         [](Engine& e) {
             // A slow filter on the left alone keeps it there for a while.
             e.channels[0].filterLeft = 40000.5;
             e.channels[0].filterCoefficient = 0.02;
             e.channels[0].pan = 1;
         }},
        {"a filter state beyond 32 bits", [](Engine& e) { e.channels[3].filterRight = -1e12; }},
        {"a diverging filter", [](Engine& e) { e.channels[3].filterCoefficient = 2.5; }},
        {"the register's spare top bit", [](Engine& e) { e.noiseRegister = 0x8000; }},
        {"noise clocks outside the cycle",
         [](Engine& e) {
             e.channels[1].noisePhase = 300000.25;
             e.channels[2].noisePhase = -5.0;
         }},
        {"a phase beyond the cycle", [](Engine& e) { e.channels[3].phase = 50000.0; }},
    };
    for (const Poke& poke : pokes) {
        fast = std::make_unique<Engine>();
        plain = std::make_unique<Engine>();
        loadSongInBoth(song);
        poke.apply(*fast);
        poke.apply(*plain);
        expectSameBlocks(4, poke.what);
        if (HasFailure()) return;
    }
}

TEST_P(TwinEngines, SingleChannelRendersAsTheReference) {
    Dice dice(11);
    loadSongInBoth(randomSong(dice));
    for (int round = 0; round < 30; ++round) {
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            const std::int32_t length = round % 3 == 0 ? 4 * dice.between(1, 3000) : BLOCK_BYTES;
            std::vector<std::int16_t> a(static_cast<std::size_t>(length / 2 + 2), 5);
            std::vector<std::int16_t> b(a.size(), 5);
            fast->renderChannel(channel, a.data(), length);
            referenceRenderChannel(*plain, channel, b.data(), length);
            ASSERT_EQ(firstDifference(a, b), -1) << "round " << round << ", channel " << channel;
        }
        expectSameState("round " + std::to_string(round));
        if (HasFailure()) return;
    }
}

// Counting wrapped samples mixes through a path of its own: random songs at gains that wrap,
// a channel at its own mix gain and partial blocks must still come out as the reference.
TEST_P(TwinEngines, CountingWrappedSamplesChangesNothing) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        fast = std::make_unique<Engine>();
        plain = std::make_unique<Engine>();
        fast->countWrappedSamples = true;
        Dice dice(seed);
        const double gains[] = {1.0, 2.7, 300000.0};
        fast->setMasterGain(gains[seed % 3]);
        plain->setMasterGain(gains[seed % 3]);
        loadSongInBoth(randomSong(dice));
        fast->channels[seed % 8].mixGain = plain->channels[seed % 8].mixGain = 0.6;
        const std::string what = "counting, seed " + std::to_string(seed);
        expectSameBlocks(30, what);
        expectSameBlocks(2, what + ", partial blocks", 4 * dice.between(1, 1499));
        if (HasFailure()) return;
        if (gains[seed % 3] > 1000.0) {
            EXPECT_GT(fast->wrappedSamples, 0u) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, TwinEngines, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& paramInfo) {
                             return std::string(paramInfo.param ? "Wide" : "Plain");
                         });

} // namespace
} // namespace chimora
