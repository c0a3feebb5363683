// Bad input from the disk, through the real Linux services: settings files that are not text,
// huge, unwritable or replaced while the program runs, and song folders and files that are not
// what they should be. Nothing may hang, crash or lose what the user had.
#include "app_fakes.h"
#include "settings.h"
#include "system_services.h"
#include "temp_directory.h"
#include "time_signal_scheduler.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

namespace chimora {
namespace {

using namespace chimora::testing;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BadSettingsFileTest : public ::testing::Test {
protected:
    void load() { loadSettings(settings, profile, menu); }
    bool defaultsLoaded() const {
        for (std::uint8_t flag : settings.featureFlags) {
            if (flag != 1) return false;
        }
        return settings.melodyGain == volumeStepGains[DEFAULT_VOLUME_STEP];
    }

    TempDirectory folder;
    WorkingDirectory inFolder{folder.path()};
    const std::string file = "switch.ini";
    SystemProfileStrings profile;
    FakeMenu menu;
    Settings settings;
};

// A pipe would block the program at start until some writer came, and a link to an endless
// device would be read until memory ran out: both read as an unreadable file, which gives the
// defaults and is never replaced.
TEST_F(BadSettingsFileTest, EntryThatIsNoFileGivesTheDefaultsAndStaysAsItIs) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    load();
    EXPECT_TRUE(defaultsLoaded());
    saveFeatureFlag(profile, SWITCH_HALF, false);
    EXPECT_TRUE(std::filesystem::is_fifo(file));

    std::filesystem::remove(file);
    std::filesystem::create_symlink("/dev/zero", file);
    load();
    EXPECT_TRUE(defaultsLoaded());
    saveVolume(profile, 3);
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(std::filesystem::read_symlink(file), "/dev/zero");
}

// Binary bytes (no section in them) read as missing keys; a save adds its section after them
// and keeps every byte that was there.
TEST_F(BadSettingsFileTest, BinaryFileGivesTheDefaultsAndASaveKeepsItsBytes) {
    std::mt19937 random(14);
    std::string bytes(4096, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() % 256);
        if (byte == '[') byte = '\0';
    }
    writeFile(file, bytes);
    load();
    EXPECT_TRUE(defaultsLoaded());
    saveFeatureFlag(profile, SWITCH_QUARTER, false);
    const std::string saved = readFile(file);
    EXPECT_EQ(saved.substr(0, bytes.size()), bytes);
    load();
    EXPECT_EQ(settings.featureFlags[SWITCH_QUARTER], 0);
}

TEST_F(BadSettingsFileTest, TenMegabyteFileReadsAndASaveChangesOnlyItsKey) {
    std::string text;
    while (text.size() < 10'000'000) text += "; a long comment line that someone's tool wrote\n";
    text += "[kinou]\nmenu2=0\n";
    writeFile(file, text);
    load();
    EXPECT_EQ(settings.featureFlags[SWITCH_HALF], 0);
    saveFeatureFlag(profile, SWITCH_HALF, true);
    std::string expected = text;
    expected.replace(expected.size() - 2, 1, "1");
    EXPECT_TRUE(readFile(file) == expected);
}

// Writing can fail for many reasons (a read-only folder, a full disk, a quota); a file size
// limit makes it fail even for root. The old file stays whole and no scratch file is left.
TEST_F(BadSettingsFileTest, FailedWriteLeavesTheOldFileIntact) {
    const std::string text = "[kinou]\nmenu0=1\n" + std::string(64 * 1024, ';') + "\n";
    writeFile(file, text);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    saveFeatureFlag(profile, SWITCH_MELODY, false);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(readFile(file) == text);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    saveFeatureFlag(profile, SWITCH_MELODY, false); // and the next save works again
    load();
    EXPECT_EQ(settings.featureFlags[SWITCH_MELODY], 0);
}

// The file is read once at start, but each save starts from what the file holds then: an edit
// made meanwhile by another program survives, and a deleted file comes back with the one key.
TEST_F(BadSettingsFileTest, FileReplacedWhileRunningKeepsTheNewContents) {
    writeFile(file, "[kinou]\nmenu0=1\n");
    load();
    writeFile("edited.ini", "; edited\r\n[onryo]\r\nvol=3\r\n[kinou]\r\nmenu0=0\r\n");
    std::filesystem::rename("edited.ini", file);
    saveFeatureFlag(profile, SWITCH_HOUR, false);
    EXPECT_EQ(readFile(file), "; edited\r\n[onryo]\r\nvol=3\r\n[kinou]\r\nmenu0=0\r\nmenu1=0\r\n");

    std::filesystem::remove(file);
    saveVolume(profile, 2);
    EXPECT_EQ(readFile(file), "[onryo]\nvol=2\n");
}

// The song folder with the real directory search and file reading.
class BadSongFolderTest : public ::testing::Test {
protected:
    void melodyAt(int hour) {
        clock.set(hour, 59, 29);
        scheduler.onTimerTick();
        clock.set(hour, 59, 30);
        scheduler.onTimerTick();
    }

    TempDirectory folder;
    WorkingDirectory inFolder{folder.path()};
    Engine engine;
    LockedEngine lockedEngine{engine};
    Settings settings;
    VirtualClock clock;
    SystemDirectorySearch directory;
    SystemFileReader files;
    FakeRenderPriority priority{lockedEngine};
    CountingRepaint repaint;
    TimeSignalScheduler scheduler{
        lockedEngine, settings, {clock, directory, files, priority, repaint}};
};

TEST_F(BadSongFolderTest, FolderThatIsAFileOrEmptyPlaysNothing) {
    writeFile("jihomml", "0cdef\r\n");
    melodyAt(13);
    clock.set(10, 0, 0);
    scheduler.listenRandom();
    EXPECT_EQ(engine.countActiveChannels(), 0);
    EXPECT_TRUE(priority.changes.empty());

    std::filesystem::remove("jihomml");
    std::filesystem::create_directory("jihomml");
    melodyAt(13);
    EXPECT_TRUE(priority.changes.empty());
}

// A song file that is empty (or a pipe, which reads as one that cannot be opened) gives
// silence, never a wait.
TEST_F(BadSongFolderTest, EmptySongOrPipeGivesSilence) {
    std::filesystem::create_directory("jihomml");
    writeFile("jihomml/13 empty.mml", "");
    melodyAt(13);
    EXPECT_EQ(engine.countActiveChannels(), 0);

    std::filesystem::remove("jihomml/13 empty.mml");
    ASSERT_EQ(::mkfifo("jihomml/13 pipe.mml", 0600), 0);
    melodyAt(13);
    EXPECT_EQ(engine.countActiveChannels(), 0);
}

// 50 MB of song: every line is read and split, and each channel keeps the first events that
// fit its buffer.
TEST_F(BadSongFolderTest, FiftyMegabyteSongPlays) {
    std::filesystem::create_directory("jihomml");
    std::string text = "0t150l8\r\n";
    const std::string line = "0cdefgab>c<\r\n1o3c2e2\r\n";
    while (text.size() < 50'000'000) text += line;
    writeFile("jihomml/13 huge.mml", text);
    melodyAt(13);
    EXPECT_EQ(engine.countActiveChannels(), 2);
    // Both buffers are full: the terminator stands at the last place it can.
    EXPECT_EQ(engine.channels[0].events[2042], EV_STREAM_END);
    EXPECT_EQ(engine.channels[1].events[2042], EV_STREAM_END);
}

// Names are bytes: Shift_JIS and UTF-8 names above 127 match the hour and are read as they are.
TEST_F(BadSongFolderTest, NamesWithBytesAbove127ArePickedAndRead) {
    std::filesystem::create_directory("jihomml");
    const std::string shiftJis = "13\x93\xfa\x96\x7b.mml";
    const std::string utf8 = "14\xe6\x97\xa5\xe6\x9c\xac.mml";
    writeFile("jihomml/" + shiftJis, "0c1\r\n");
    writeFile("jihomml/" + utf8, "0c1\r\n1e1\r\n");
    melodyAt(13);
    EXPECT_EQ(engine.countActiveChannels(), 1);
    melodyAt(14);
    EXPECT_EQ(engine.countActiveChannels(), 2);
}

} // namespace
} // namespace chimora
