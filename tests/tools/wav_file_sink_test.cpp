// The WAV file sink: header fields, sample bytes, and the failures it reports.
#include "render_test_support.h"
#include "wav_file_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace chimora {
namespace {

namespace fs = std::filesystem;
using testing::readFileBytes;
using testing::scratchPath;

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t u16At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::string tagAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return std::string(bytes.begin() + offset, bytes.begin() + offset + 4);
}

TEST(WavFileSinkTest, WritesAStereo16BitHeaderAndTheSamplesLittleEndian) {
    const std::string path = scratchPath(".wav");
    {
        WavFileSink sink(path);
        ASSERT_TRUE(sink.isOpen()) << sink.failure();
        std::vector<std::int16_t> block(BLOCK_SAMPLES, 0);
        block[0] = -2; // 0xFFFE
        block[1] = 0x1234;
        ASSERT_TRUE(sink.writeBlock(block.data(), BLOCK_FRAMES));
        ASSERT_TRUE(sink.writeBlock(block.data(), BLOCK_FRAMES));
        ASSERT_TRUE(sink.finish()) << sink.failure();
    }
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 2 * BLOCK_BYTES);
    EXPECT_EQ(tagAt(bytes, 0), "RIFF");
    EXPECT_EQ(u32At(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(tagAt(bytes, 8), "WAVE");
    EXPECT_EQ(tagAt(bytes, 12), "fmt ");
    EXPECT_EQ(u32At(bytes, 16), 16u);
    EXPECT_EQ(u16At(bytes, 20), 1) << "PCM";
    EXPECT_EQ(u16At(bytes, 22), 2) << "channels";
    EXPECT_EQ(u32At(bytes, 24), 44100u);
    EXPECT_EQ(u32At(bytes, 28), 176400u) << "bytes per second";
    EXPECT_EQ(u16At(bytes, 32), 4) << "bytes per frame";
    EXPECT_EQ(u16At(bytes, 34), 16) << "bits per sample";
    EXPECT_EQ(tagAt(bytes, 36), "data");
    EXPECT_EQ(u32At(bytes, 40), 2u * BLOCK_BYTES);
    const std::vector<std::uint8_t> firstFrame(bytes.begin() + 44, bytes.begin() + 48);
    EXPECT_EQ(firstFrame, (std::vector<std::uint8_t>{0xFE, 0xFF, 0x34, 0x12}));
    std::remove(path.c_str());
}

TEST(WavFileSinkTest, AnEmptyRenderIsAValidEmptyFile) {
    const std::string path = scratchPath(".wav");
    {
        WavFileSink sink(path);
        ASSERT_TRUE(sink.finish());
    }
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(u32At(bytes, 4), 36u);
    EXPECT_EQ(u32At(bytes, 40), 0u);
    std::remove(path.c_str());
}

// Names in the output's folder that begin with the output's own name.
std::vector<std::string> namesBeginningWith(const fs::path& path) {
    std::vector<std::string> names;
    const std::string prefix = path.filename().string();
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

TEST(WavFileSinkTest, ARenderThatDoesNotFinishLeavesTheOldFileAndNoPartBehind) {
    const std::string path = scratchPath(".wav");
    std::ofstream(path, std::ios::binary) << "old";
    {
        WavFileSink sink(path);
        ASSERT_TRUE(sink.writeBlock(std::vector<std::int16_t>(BLOCK_SAMPLES).data(), BLOCK_FRAMES));
        EXPECT_EQ(namesBeginningWith(path).size(), 2u) << "the temporary file is beside it";
    } // no finish(): the render failed
    EXPECT_EQ(readFileBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(namesBeginningWith(path).size(), 1u);
    std::remove(path.c_str());
}

TEST(WavFileSinkTest, AFileThatCannotBeCreatedIsReportedWithItsPath) {
    WavFileSink sink("/nonexistent-directory/out.wav");
    EXPECT_FALSE(sink.isOpen());
    EXPECT_NE(sink.failure().find("/nonexistent-directory/out.wav"), std::string::npos);
    EXPECT_FALSE(sink.writeBlock(std::vector<std::int16_t>(BLOCK_SAMPLES).data(), BLOCK_FRAMES));
}

} // namespace
} // namespace chimora
