// Seeding the working folder with the shipped songs: only when it has no "jihomml" at all, all
// songs or none, and never touching what the user has.
#include "song_folder_seed.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace chimora {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDirectory;
using testing::writeFile;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class SongFolderSeedTest : public ::testing::Test {
protected:
    SongFolderSeedTest() {
        fs::create_directories(shipped);
        fs::create_directories(home);
        writeFile((shipped / "00a.mml").string(), "; midnight\r\n0t120 c x\r\n");
        writeFile((shipped / "13b.MML").string(), "0t120 e x\r\n");
        writeFile((shipped / "README").string(), "not a song");
        fs::create_directories(shipped / "14a.mml"); // a folder, not a song
    }

    TempDirectory scratch;
    fs::path shipped = scratch.path() / "usr" / "share" / "chimora" / "jihomml";
    fs::path home = scratch.path() / "home";
};

TEST_F(SongFolderSeedTest, CopiesEverySongIntoAMissingFolderAndLeavesNoScratch) {
    const SeedReport report = seedSongFolder(shipped, home);
    EXPECT_EQ(report.outcome, SeedOutcome::seeded);
    EXPECT_EQ(report.songsCopied, 2);
    EXPECT_EQ(namesIn(home), std::set<std::string>{"jihomml"});
    EXPECT_EQ(namesIn(home / "jihomml"), (std::set<std::string>{"00a.mml", "13b.MML"}));
    EXPECT_EQ(readFile((home / "jihomml" / "00a.mml").string()), "; midnight\r\n0t120 c x\r\n");

    // The next start finds the folder and leaves it, even after the user emptied it.
    fs::remove(home / "jihomml" / "00a.mml");
    EXPECT_EQ(seedSongFolder(shipped, home).outcome, SeedOutcome::alreadyPresent);
    EXPECT_EQ(namesIn(home / "jihomml"), std::set<std::string>{"13b.MML"});
}

TEST_F(SongFolderSeedTest, LeavesAnyExistingEntryNamedJihommlAlone) {
    struct Case {
        const char* what;
        void (*make)(const fs::path& entry);
    };
    const Case cases[] = {
        {"a folder of the user's songs",
         [](const fs::path& entry) {
             fs::create_directory(entry);
             writeFile((entry / "00a.mml").string(), "mine");
         }},
        {"a file", [](const fs::path& entry) { writeFile(entry.string(), "mine"); }},
        {"a link to nowhere",
         [](const fs::path& entry) { fs::create_symlink(entry.parent_path() / "gone", entry); }},
    };
    for (const Case& item : cases) {
        fs::remove_all(home / "jihomml");
        item.make(home / "jihomml");
        const std::set<std::string> before = namesIn(home);
        EXPECT_EQ(seedSongFolder(shipped, home).outcome, SeedOutcome::alreadyPresent) << item.what;
        EXPECT_EQ(namesIn(home), before) << item.what;
    }
    EXPECT_EQ(readFile((home / ".." / "home" / "jihomml").string()), "")
        << "the link still dangles";
    fs::remove_all(home / "jihomml");
    fs::create_directory(home / "jihomml");
    writeFile((home / "jihomml" / "00a.mml").string(), "mine");
    seedSongFolder(shipped, home);
    EXPECT_EQ(readFile((home / "jihomml" / "00a.mml").string()), "mine") << "the user's song";
}

TEST_F(SongFolderSeedTest, CreatesNothingWithoutShippedSongs) {
    EXPECT_EQ(seedSongFolder(scratch.path() / "missing", home).outcome,
              SeedOutcome::nothingShipped);
    fs::remove(shipped / "00a.mml");
    fs::remove(shipped / "13b.MML");
    EXPECT_EQ(seedSongFolder(shipped, home).outcome, SeedOutcome::nothingShipped);
    EXPECT_TRUE(namesIn(home).empty());
}

TEST_F(SongFolderSeedTest, ReportsAFolderItCannotWriteIn) {
    writeFile((scratch.path() / "plain-file").string(), "");
    const SeedReport report = seedSongFolder(shipped, scratch.path() / "plain-file");
    EXPECT_EQ(report.outcome, SeedOutcome::failed);
    EXPECT_NE(report.problem.find("plain-file"), std::string::npos) << report.problem;
}

TEST(ShippedSongFolderTest, LiesUnderTheSharedDataOfTheProgramsPrefix) {
    EXPECT_EQ(shippedSongFolderFor("/usr/bin/chimora"), fs::path("/usr/share/chimora/jihomml"));
    EXPECT_EQ(shippedSongFolderFor("/opt/chimora-1.0/bin/chimora"),
              fs::path("/opt/chimora-1.0/share/chimora/jihomml"));
}

} // namespace
} // namespace chimora
