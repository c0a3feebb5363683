// The scheduler with the real Linux directory search and file reading, and with a render
// thread mixing blocks while it changes the engine.
#include "scheduler_rig.h"
#include "system_services.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace chimora {
namespace {

using namespace chimora::testing;

// The real reader, with a log of the paths it was asked for.
class LoggingFileReader final : public FileReader {
public:
    bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) override {
        reads.push_back(path);
        return system.readWholeFile(path, bytes);
    }
    SystemFileReader system;
    std::vector<std::string> reads;
};

class SystemSchedulerTest : public ::testing::Test {
protected:
    TempDirectory folder;
    WorkingDirectory inFolder{folder.path()};
    Engine engine;
    LockedEngine lockedEngine{engine};
    Settings settings;
    VirtualClock clock;
    SystemDirectorySearch directory;
    LoggingFileReader files;
    FakeRenderPriority priority{lockedEngine};
    CountingRepaint repaint;
    TimeSignalScheduler scheduler{
        lockedEngine, settings, {clock, directory, files, priority, repaint}};
};

TEST_F(SystemSchedulerTest, OfFortySongFilesOnlyTheFirst36CanBePicked) {
    std::filesystem::create_directory("jihomml");
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) names.push_back("Song" + std::to_string(100 + i) + ".mml");
    // Empty songs stop at once, so each listen finds the engine free again.
    for (const std::string& name : names) writeFile(songFolderPath(name), "");
    for (int listen = 1; listen <= 200; ++listen) {
        clock.set(10, 0, 0);
        scheduler.listenRandom();
        ASSERT_EQ(files.reads.size(), static_cast<std::size_t>(listen));
        EXPECT_EQ(files.reads.back(), songFolderPath(names[nthRandom(listen) % 36]));
    }
}

TEST_F(SystemSchedulerTest, ChosenFolderOrMissingFolderPlaysNothing) {
    scheduler.listenRandom(); // no "jihomml" at all
    std::filesystem::create_directories("jihomml/folder.mml");
    clock.set(10, 0, 0);
    scheduler.listenRandom();
    EXPECT_EQ(files.reads, std::vector<std::string>{songFolderPath("folder.mml")});
    EXPECT_TRUE(priority.changes.empty());
}

// Under ThreadSanitizer this shows every engine change of the core made through LockedEngine.
TEST_F(SystemSchedulerTest, RenderThreadMixesWhileChimesAndSongsStartAndStop) {
    std::filesystem::create_directory("jihomml");
    writeFile("jihomml/10 tune.mml", "0t240l16cdefgab>c\r\n1o3c1\r\n");
    std::atomic<bool> running{true};
    std::atomic<int> blocksMixed{0};
    std::thread render([&] {
        std::int16_t block[BLOCK_SAMPLES];
        while (running.load(std::memory_order_relaxed)) {
            lockedEngine.mixBlock(block, BLOCK_BYTES);
            blocksMixed.fetch_add(1, std::memory_order_relaxed);
        }
    });
    // Every tick waits for a block to be mixed after it, so the two really interleave.
    const auto waitForABlock = [&] {
        const int before = blocksMixed.load(std::memory_order_relaxed);
        while (blocksMixed.load(std::memory_order_relaxed) < before + 2) std::this_thread::yield();
    };
    for (int minute : {14, 29, 44, 58}) {
        for (int second = 0; second < 60; ++second) {
            clock.set(10, minute + (second == 0 && minute != 58 ? 1 : 0), second);
            scheduler.onTimerTick();
            if (second == 10) scheduler.listenRandom();
            waitForABlock();
        }
    }
    running.store(false, std::memory_order_relaxed);
    render.join();
    // The first listen finds the engine free; later ones only when the render thread has
    // played the song's channels out, which depends on its pace.
    ASSERT_FALSE(files.reads.empty());
    for (const std::string& read : files.reads) EXPECT_EQ(read, songFolderPath("10 tune.mml"));
}

} // namespace
} // namespace chimora
