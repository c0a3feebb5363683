// How long one step of the worst repeat streams holds the render thread, with and without the
// sequencer's skip over passes that change nothing.
#include "engine.h"

#include <benchmark/benchmark.h>

#include <string>

namespace chimora {
namespace {

// Four nested empty sections of the largest compiled pass count: 99^4 passes, no note.
constexpr const char* NESTED_GROUP = "[[[[]99]99]99]99";

// The first step of one nested group and a note, on one channel, read pass by pass or with
// the skip. Read pass by pass this is about 97 million events.
void firstStepOfOneGroup(benchmark::State& state) {
    Engine engine;
    engine.skipRepeatedPasses = state.range(0) != 0;
    const std::string mml = std::string(NESTED_GROUP) + "c";
    engine.compileChannel(0, mml.c_str());
    for (auto _ : state) {
        engine.stopChannel(0);
        engine.compileChannel(0, mml.c_str());
        engine.startChannel(0);
        benchmark::DoNotOptimize(engine.channels[0].readPos);
    }
}
BENCHMARK(firstStepOfOneGroup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The worst full buffer: 127 nested groups and a note on all eight channels, each reading its
// first step (the work the render thread does when the channels come back from their loop),
// with and without mixing the block after it. Only the skip is measured: pass by pass this
// takes many minutes.
void worstFullBuffer(benchmark::State& state) {
    const bool mix = state.range(0) != 0;
    std::string mml;
    for (int group = 0; group < 127; ++group) mml += NESTED_GROUP;
    mml += "c";
    Engine engine;
    std::int16_t block[BLOCK_SAMPLES];
    for (auto _ : state) {
        state.PauseTiming();
        engine.stopAllChannels();
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            engine.compileChannel(channel, mml.c_str());
        }
        state.ResumeTiming();
        engine.startAllChannels();
        if (mix) engine.mixBlock(block, BLOCK_BYTES);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(worstFullBuffer)->ArgName("mixBlock")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace chimora
