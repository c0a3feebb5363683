// Replays every input in a folder through one fuzz target's entry, so that each input that
// ever broke a target (tests/fuzz/regressions/<target>/) stays fixed in the normal tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> inputFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* folder : {FUZZ_REPLAY_FOLDERS}) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Replay : public ::testing::TestWithParam<std::filesystem::path> {};

// A target aborts (or a sanitizer stops it) on a fault; returning is passing.
TEST_P(Replay, InputRunsThrough) {
    std::ifstream in(GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
}

std::string readableName(const ::testing::TestParamInfo<std::filesystem::path>& info) {
    std::string name =
        info.param.parent_path().filename().string() + "_" + info.param.filename().string();
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Inputs, Replay, ::testing::ValuesIn(inputFiles()), readableName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Replay);

} // namespace
