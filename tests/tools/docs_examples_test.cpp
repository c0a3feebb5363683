// Every song example in docs/mml.md, saved with CR LF as the guide says, renders without a
// warning, makes sound and ends.
#include "block_render.h"
#include "render_test_support.h"
#include "song_start.h"
#include "song_warnings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace chimora {
namespace {

std::vector<std::string> mmlExamples(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> examples;
    std::string line;
    std::string* current = nullptr;
    while (std::getline(file, line)) {
        if (line == "```mml") {
            current = &examples.emplace_back();
        } else if (line == "```") {
            current = nullptr;
        } else if (current != nullptr) {
            *current += line + "\r\n";
        }
    }
    return examples;
}

TEST(DocsExamplesTest, EverySongExampleRendersCleanly) {
    const std::vector<std::string> examples = mmlExamples(CHIMORA_DOCS_DIR "/mml.md");
    ASSERT_GE(examples.size(), 4u);
    for (const std::string& example : examples) {
        std::vector<std::uint8_t> bytes(example.begin(), example.end());
        for (const SongWarning& warning : findSongWarnings(bytes)) {
            ADD_FAILURE() << example << "line " << warning.line << ": " << warning.text;
        }
        auto engine = std::make_unique<Engine>();
        startSongFile(*engine, bytes, 1.0);
        testing::MemorySink sink;
        const RenderResult result = renderBlocks(*engine, sink, 2000, true);
        EXPECT_FALSE(result.stoppedAtLimit) << example;
        EXPECT_TRUE(std::any_of(sink.bytes.begin(), sink.bytes.end(), [](std::uint8_t byte) {
            return byte != 0;
        })) << example;
    }
}

} // namespace
} // namespace chimora
