// Channel numbers outside 0..7 reach no memory: every operation that takes one leaves the whole
// engine, and the bytes on either side of it, exactly as they were.
#include "engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace chimora {
namespace {

// The engine between two zero-filled guards, so that a write through channel -1 or 8 changes
// bytes the test compares (and a read of channel -1's buffer pointer finds null and crashes).
struct GuardedEngine {
    unsigned char before[2 * sizeof(ChannelState)] = {};
    Engine engine;
    unsigned char after[2 * sizeof(ChannelState)] = {};
};

std::vector<unsigned char> bytesOf(const GuardedEngine& guarded) {
    const auto* first = reinterpret_cast<const unsigned char*>(&guarded);
    return std::vector<unsigned char>(first, first + sizeof guarded);
}

struct ChannelOperation {
    const char* name;
    std::function<void(Engine&, int)> apply;
};

TEST(ChannelNumbers, OutsideZeroToSevenChangeNothing) {
    std::int16_t block[8] = {};
    const ChannelOperation operations[] = {
        {"compileChannel", [](Engine& e, int c) { e.compileChannel(c, "t120cdefg"); }},
        {"clearChannelEvents", [](Engine& e, int c) { e.clearChannelEvents(c); }},
        {"startChannel", [](Engine& e, int c) { e.startChannel(c); }},
        {"stopChannel", [](Engine& e, int c) { e.stopChannel(c); }},
        {"stepEvents", [](Engine& e, int c) { e.stepEvents(c); }},
        {"resetEnvelope", [](Engine& e, int c) { e.resetEnvelope(c); }},
        {"renderChannel", [&block](Engine& e, int c) { e.renderChannel(c, block, sizeof block); }},
        {"makeChannelTextEmpty", [](Engine& e, int c) { e.makeChannelTextEmpty(c); }},
        {"appendChannelText", [](Engine& e, int c) { e.appendChannelText(c, "cde"); }},
        {"releaseChannelText", [](Engine& e, int c) { e.releaseChannelText(c); }},
    };
    auto guarded = std::make_unique<GuardedEngine>();
    guarded->engine.compileChannel(0, "t120cdefg");
    guarded->engine.startChannel(0);
    const std::vector<unsigned char> untouched = bytesOf(*guarded);
    for (const int channel : {-1, -8, 8, 9}) {
        for (const ChannelOperation& operation : operations) {
            operation.apply(guarded->engine, channel);
            EXPECT_EQ(bytesOf(*guarded), untouched) << operation.name << "(" << channel << ")";
        }
        EXPECT_EQ(guarded->engine.stepLengthSamples(channel, 24), 0.0) << channel;
    }
    for (const std::int16_t sample : block) EXPECT_EQ(sample, 0);
}

} // namespace
} // namespace chimora
