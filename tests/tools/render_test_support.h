// Helpers of the renderer tests: a sink that keeps what it is given, a hash of rendered bytes,
// and per-test scratch files.
#pragma once

#include "block_sink.h"
#include "engine.h"
#include "pcm_bytes.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace chimora::testing {

// Keeps every block as the little-endian bytes a file would hold.
class MemorySink final : public BlockSink {
public:
    bool writeBlock(const std::int16_t* samples, int frames) override {
        if (failAfterBlocks == 0) return false;
        if (failAfterBlocks > 0) --failAfterBlocks;
        const std::size_t start = bytes.size();
        bytes.resize(start + 4 * static_cast<std::size_t>(frames));
        encodeLittleEndian(samples, 2 * static_cast<std::size_t>(frames), bytes.data() + start);
        return true;
    }
    bool finish() override {
        finished = true;
        return true;
    }
    std::string failure() const override { return "memory sink full"; }

    std::vector<std::uint8_t> bytes;
    bool finished = false;
    int failAfterBlocks = -1; // blocks taken before writeBlock fails; -1 never fails
};

// 64-bit FNV-1a: a pin for a rendered output.
inline std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// A path in the temporary directory that no other test, nor another run, uses.
inline std::string scratchPath(const std::string& suffix) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + "chimora_" + test->name() + "_" + std::to_string(getpid()) +
           suffix;
}

inline std::string writeScratchFile(const std::string& suffix, const std::string& contents) {
    const std::string path = scratchPath(suffix);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

inline std::vector<std::uint8_t> readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace chimora::testing
