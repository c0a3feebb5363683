#include "song_file_limit.h"
#include "system_services.h"
#include "temp_directory.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

// Counts the calls of umask made by this program: the settings writer must not change the
// umask even for a moment, since every other thread's new files would get the wrong mode.
namespace {
std::atomic<int> umaskCalls{0};
}
extern "C" mode_t umask(mode_t mask) noexcept {
    using Umask = mode_t (*)(mode_t);
    static const auto systemUmask = reinterpret_cast<Umask>(::dlsym(RTLD_NEXT, "umask"));
    umaskCalls.fetch_add(1);
    return systemUmask(mask);
}

namespace chimora {
namespace {

using namespace chimora::testing;
namespace fs = std::filesystem;

// --- Settings file replacement ------------------------------------------------------------

TEST(TextFileTest, ReplaceSwapsInANewFileAndLeavesNoTemporaryBehind) {
    TempDirectory folder;
    const std::string path = folder.file("switch.ini");
    writeFile(path, "old");
    ::chmod(path.c_str(), 0640);
    // A second name for the old file shows that it was replaced, not written over.
    const std::string oldName = folder.file("old-link");
    ASSERT_EQ(::link(path.c_str(), oldName.c_str()), 0);
    ASSERT_TRUE(replaceFileAtomically(path, "new contents"));
    EXPECT_EQ(readFile(path), "new contents");
    EXPECT_EQ(readFile(oldName), "old");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    fs::remove(oldName);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(TextFileTest, NewFileTakesTheUmaskAndALinkKeepsPointingAtTheFile) {
    TempDirectory folder;
    const mode_t previousMask = ::umask(027);
    const std::string path = folder.file("switch.ini");
    const int callsBefore = umaskCalls.load();
    const bool created = replaceFileAtomically(path, "first");
    const int callsDuring = umaskCalls.load() - callsBefore;
    ::umask(previousMask);
    ASSERT_TRUE(created);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    EXPECT_EQ(callsDuring, 0) << "the umask was changed while the file was written";

    const std::string link = folder.file("linked.ini");
    fs::create_symlink(path, link);
    ASSERT_TRUE(replaceFileAtomically(link, "second"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(path), "second");
}

TEST(TextFileTest, FailedReplaceLeavesNothing) {
    TempDirectory folder;
    EXPECT_FALSE(replaceFileAtomically(folder.file("missing/switch.ini"), "x"));
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(TextFileTest, MissingFileReadsAsEmptyAndAFolderAsUnreadable) {
    TempDirectory folder;
    EXPECT_EQ(readTextFile(folder.file("none.ini")), std::optional<std::string>(""));
    EXPECT_EQ(readTextFile(folder.path().string()), std::nullopt);
}

TEST(SystemProfileStringsTest, ReadsTheDefaultAndCutsToTheBuffer) {
    TempDirectory folder;
    const std::string path = folder.file("switch.ini");
    SystemProfileStrings profile;
    EXPECT_EQ(profile.readString(path.c_str(), "kinou", "menu0", "1", 15), "1");
    writeFile(path, "[kinou]\nmenu0=123456789012345678\n");
    EXPECT_EQ(profile.readString(path.c_str(), "kinou", "menu0", "1", 15), "12345678901234");
    EXPECT_EQ(profile.readString(path.c_str(), "kinou", "menu1", "1", 15), "1");
}

TEST(SystemProfileStringsTest, UnreadableFileIsNeverOverwritten) {
    TempDirectory folder;
    const std::string path = folder.file("switch.ini");
    fs::create_directory(path);
    SystemProfileStrings profile;
    profile.writeString(path.c_str(), "kinou", "menu0", "0");
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(profile.readString(path.c_str(), "kinou", "menu0", "1", 15), "1");
}

// --- Directory search ---------------------------------------------------------------------

TEST(SystemDirectorySearchTest, MatchesWithoutCaseFoldersIncludedInNameOrder) {
    TempDirectory folder;
    for (const char* name : {"13b.mml", "13A.MML", "13c.mml.txt", "12a.mml", "13.mml", "x13a.mml"})
        writeFile(folder.file(name), "");
    fs::create_directory(folder.file("13 folder.Mml"));
    SystemDirectorySearch search;
    const std::vector<std::string> expected = {"13 folder.Mml", "13.mml", "13A.MML", "13b.mml"};
    EXPECT_EQ(search.findNames(folder.file("13*.mml"), 36), expected);
}

TEST(SystemDirectorySearchTest, FortyMatchesGiveTheFirst36InNameOrder) {
    TempDirectory folder;
    for (int i = 39; i >= 0; --i)
        writeFile(folder.file("song" + std::to_string(100 + i) + ".mml"), "");
    SystemDirectorySearch search;
    const std::vector<std::string> names = search.findNames(folder.file("*.mml"), 36);
    ASSERT_EQ(names.size(), 36u);
    EXPECT_EQ(names.front(), "song100.mml");
    EXPECT_EQ(names.back(), "song135.mml");
}

TEST(SystemDirectorySearchTest, EmptyOrMissingFolderFindsNothing) {
    TempDirectory folder;
    SystemDirectorySearch search;
    EXPECT_TRUE(search.findNames(folder.file("*.mml"), 36).empty());
    EXPECT_TRUE(search.findNames(folder.file("none/*.mml"), 36).empty());
}

// --- Song file reading --------------------------------------------------------------------

TEST(SystemFileReaderTest, ReadsRegularFilesOnly) {
    TempDirectory folder;
    writeFile(folder.file("song.mml"), "0cde\r\n");
    writeFile(folder.file("empty.mml"), "");
    fs::create_directory(folder.file("folder.mml"));
    ASSERT_EQ(::mkfifo(folder.file("pipe.mml").c_str(), 0600), 0);
    std::ofstream(folder.file("huge.mml")).close(); // sparse: takes no room on the disk
    fs::resize_file(folder.file("huge.mml"), SONG_FILE_MAX_BYTES + 1);
    SystemFileReader reader;
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    ASSERT_TRUE(reader.readWholeFile(folder.file("song.mml"), bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0cde\r\n");
    EXPECT_TRUE(reader.readWholeFile(folder.file("empty.mml"), bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(reader.readWholeFile(folder.file("folder.mml"), bytes));
    EXPECT_FALSE(reader.readWholeFile(folder.file("pipe.mml"), bytes));
    EXPECT_FALSE(reader.readWholeFile(folder.file("huge.mml"), bytes)) << "too large to be a song";
    EXPECT_FALSE(reader.readWholeFile(folder.file("none.mml"), bytes));
}

} // namespace
} // namespace chimora
