// Speed of the engine's hot operations, each reported as time per call and as a real-time
// factor: how many blocks of sound (1500 frames, about 34 ms) fit into the time one call took.
#include "engine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace chimora {
namespace {

constexpr double BLOCK_SECONDS = static_cast<double>(BLOCK_FRAMES) / SAMPLE_RATE;

std::vector<std::uint8_t> readBusySong() {
    std::ifstream file(CHIMORA_BUSY_SONG, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " CHIMORA_BUSY_SONG);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Calls per second times the sound one block holds: the real-time factor of one call a block.
void reportRealTimeFactor(benchmark::State& state) {
    state.counters["realtime_x"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * BLOCK_SECONDS, benchmark::Counter::kIsRate);
}

std::unique_ptr<Engine> busyEngine() {
    auto engine = std::make_unique<Engine>();
    const std::vector<std::uint8_t> song = readBusySong();
    engine->loadSong(song.data(), song.size());
    return engine;
}

// The eight channels of the busy song, mixed block after block as the song plays on.
void BM_MixBlockBusy(benchmark::State& state) {
    auto engine = busyEngine();
    std::int16_t block[BLOCK_SAMPLES];
    for (auto _ : state) {
        engine->mixBlock(block, BLOCK_BYTES);
        benchmark::DoNotOptimize(block);
    }
    reportRealTimeFactor(state);
}

// What the clock streams most of the day: every channel stopped, every key off, the
// oscillators still moving at the pitches the last song left behind.
void BM_MixBlockSilence(benchmark::State& state) {
    auto engine = busyEngine();
    std::int16_t block[BLOCK_SAMPLES];
    for (int warmUp = 0; warmUp < 40; ++warmUp) engine->mixBlock(block, BLOCK_BYTES);
    engine->stopAllChannels();
    for (auto _ : state) {
        engine->mixBlock(block, BLOCK_BYTES);
        benchmark::DoNotOptimize(block);
    }
    reportRealTimeFactor(state);
}

// A channel text long enough to fill the 2048-byte event buffer.
void BM_CompileChannelFullBuffer(benchmark::State& state) {
    auto engine = std::make_unique<Engine>();
    std::string text = "t150@17v12l16";
    while (text.size() < 4000) text += "cdefgab>c<r8[ea]3";
    for (auto _ : state) {
        engine->compileChannel(0, text.c_str());
        benchmark::DoNotOptimize(engine->eventBuffers[0][0]);
    }
    reportRealTimeFactor(state);
}

// Loading a song file of 1 MB: splitting it into channel texts, compiling and starting them.
void BM_SongStartOneMegabyte(benchmark::State& state) {
    auto engine = std::make_unique<Engine>();
    const std::vector<std::uint8_t> busy = readBusySong();
    std::vector<std::uint8_t> song;
    while (song.size() < (1u << 20)) song.insert(song.end(), busy.begin(), busy.end());
    song.resize(1u << 20);
    for (auto _ : state) {
        engine->loadSong(song.data(), song.size());
        benchmark::DoNotOptimize(engine->channels[0].readPos);
    }
    reportRealTimeFactor(state);
}

// The machine may be shared, so the fastest repetition is the figure to read: the "min" row
// for the time and the "max" row for the real-time factor.
double smallest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}
double largest(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

#define CHIMORA_BENCHMARK(function)                                                                \
    BENCHMARK(function)->ComputeStatistics("min", smallest)->ComputeStatistics("max", largest)

CHIMORA_BENCHMARK(BM_MixBlockBusy);
CHIMORA_BENCHMARK(BM_MixBlockSilence);
CHIMORA_BENCHMARK(BM_CompileChannelFullBuffer);
CHIMORA_BENCHMARK(BM_SongStartOneMegabyte);

} // namespace
} // namespace chimora

BENCHMARK_MAIN();
