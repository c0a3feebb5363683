// The renderer's files in a folder others may write to: no write through a planted link, one
// whole file from two renders at once, no output over the song, bounded song reading, and no
// partial file left by a signal.
#include "block_render.h"
#include "output_format.h"
#include "render_process.h"
#include "render_test_support.h"
#include "song_file_limit.h"
#include "song_start.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace chimora {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::rendererCommand;
using testing::runRenderer;
using testing::RunResult;
using testing::TempDirectory;
using testing::writeFile;

constexpr char SONG[] = "0t120v15@32l8cdefgab>cx\r\n";
constexpr char LOOPING_SONG[] = "0t120v15@32L cdefgab\r\n";

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::set<std::string> namesIn(const TempDirectory& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A reference render of the song, done alone.
std::string renderAlone(const TempDirectory& folder, const std::string& song,
                        const std::string& seconds) {
    const std::string path = folder.file("reference.wav");
    const RunResult result =
        runRenderer(quoted(song) + " --seconds " + seconds + " -o " + quoted(path));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::string bytes = readFile(path);
    fs::remove(path);
    return bytes;
}

TEST(RenderFilesTest, APlantedLinkBesideTheOutputIsNeverWrittenThrough) {
    TempDirectory folder;
    const std::string song = folder.file("s.mml");
    writeFile(song, SONG);
    writeFile(folder.file("victim.wav"), "precious");
    // Where a temporary name could be guessed, a neighbour plants links under it.
    fs::create_symlink("victim.wav", folder.file("o3.wav.part"));
    const RunResult result = runRenderer(quoted(song) + " -o o3.wav",
                                         "cd " + quoted(folder.path()) + " && umask 027 &&");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(readFile(folder.file("victim.wav")) == "precious") << "the victim was overwritten";
    EXPECT_TRUE(fs::is_symlink(folder.file("o3.wav.part")));
    EXPECT_EQ(readFile(folder.file("o3.wav")).substr(0, 4), "RIFF");
    EXPECT_EQ(fs::status(folder.file("o3.wav")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
        << "0666 less the umask 027";
    EXPECT_EQ(namesIn(folder),
              (std::set<std::string>{"s.mml", "victim.wav", "o3.wav.part", "o3.wav"}));
}

TEST(RenderFilesTest, ALinkAtTheOutputIsReplacedAndItsTargetKept) {
    TempDirectory folder;
    const std::string song = folder.file("s.mml");
    writeFile(song, SONG);
    writeFile(folder.file("target.wav"), "kept");
    fs::create_symlink("target.wav", folder.file("out.wav"));
    const RunResult result = runRenderer(quoted(song) + " -o " + quoted(folder.file("out.wav")));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(fs::is_symlink(folder.file("out.wav")));
    EXPECT_EQ(readFile(folder.file("out.wav")).substr(0, 4), "RIFF");
    EXPECT_TRUE(readFile(folder.file("target.wav")) == "kept") << "the link's target was changed";
}

TEST(RenderFilesTest, TwoRendersToOneOutputLeaveOneWholeFile) {
    TempDirectory folder;
    writeFile(folder.file("a.mml"), LOOPING_SONG);
    writeFile(folder.file("b.mml"), "0t150v12@16L gfedc\r\n");
    writeFile(folder.file("c.wav.part"), "the user's own file");
    const std::string a = renderAlone(folder, folder.file("a.mml"), "60");
    const std::string b = renderAlone(folder, folder.file("b.mml"), "30");
    const std::string render = rendererCommand();
    const std::string both = "cd " + quoted(folder.path()) + " && (" + render +
                             " a.mml -o c.wav --seconds 60 & " + render +
                             " b.mml -o c.wav --seconds 30; wait)";
    ASSERT_EQ(std::system(both.c_str()), 0);
    const std::string result = readFile(folder.file("c.wav"));
    EXPECT_TRUE(result == a || result == b) << "a file of " << result.size() << " bytes";
    EXPECT_TRUE(readFile(folder.file("c.wav.part")) == "the user's own file") << "overwritten";
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"a.mml", "b.mml", "c.wav", "c.wav.part"}));
}

TEST(RenderFilesTest, AnOutputThatIsTheSongOrHasNoNameIsRefusedBeforeAnythingIsWritten) {
    TempDirectory folder;
    writeFile(folder.file("same.mml"), SONG);
    fs::create_symlink("same.mml", folder.file("link.mml"));
    writeFile(folder.file(".part"), "kept");
    const struct {
        const char* output;
        const char* message;
    } cases[] = {
        {"same.mml", "is the song file itself"},
        {"./same.mml", "is the song file itself"},
        {"link.mml", "is the song file itself"},
        {"''", "empty"},
    };
    for (const auto& item : cases) {
        const RunResult result = runRenderer(std::string("same.mml -o ") + item.output,
                                             "cd " + quoted(folder.path()) + " &&");
        EXPECT_EQ(result.exitCode, 2) << item.output;
        EXPECT_NE(result.err.find(item.message), std::string::npos) << result.err;
        EXPECT_TRUE(readFile(folder.file("same.mml")) == SONG) << "the song was replaced";
        EXPECT_TRUE(readFile(folder.file(".part")) == "kept") << "'.part' was replaced";
        EXPECT_EQ(namesIn(folder), (std::set<std::string>{"same.mml", "link.mml", ".part"}));
    }
}

TEST(RenderFilesTest, SongReadingIsBoundedAndRefusesDevices) {
    TempDirectory folder;
    const std::string huge = folder.file("huge.mml");
    { // sparse: one byte over the bound, taking no room on the disk
        std::ofstream(huge).close();
        fs::resize_file(huge, SONG_FILE_MAX_BYTES + 1);
    }
    const std::string out = " -o " + quoted(folder.file("o.wav")) + " --seconds 1";
    const std::string overBound = std::to_string(SONG_FILE_MAX_BYTES + 1);
    const struct {
        std::string arguments;
        std::string before;
        std::string message;
    } cases[] = {
        {"/dev/zero" + out, "", "not a regular file or a pipe"},
        {quoted(huge) + out, "", "larger than 64 MB"},
        {"-" + out, "head -c " + overBound + " /dev/zero |", "standard input is larger than 64 MB"},
        {"-" + out, "cat /dev/zero |", "standard input is larger than 64 MB"},
    };
    for (const auto& item : cases) {
        const RunResult result = runRenderer(item.arguments, item.before);
        EXPECT_EQ(result.exitCode, 1) << item.arguments;
        EXPECT_NE(result.err.find(item.message), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(folder.file("o.wav")));
    }
}

// The raw samples that rendering the song until it ends writes: started at gain 1.0 and mixed
// in this process.
std::string renderedRaw(const std::string& song) {
    auto engine = std::make_unique<Engine>();
    startSongFile(*engine, {reinterpret_cast<const std::uint8_t*>(song.data()), song.size()}, 1.0);
    testing::MemorySink sink;
    renderBlocks(*engine, sink, 17640, true);
    return std::string(sink.bytes.begin(), sink.bytes.end());
}

TEST(RenderFilesTest, APipeOrStandardInputIsReadLikeAFile) {
    TempDirectory folder;
    const std::string song = folder.file("s.mml");
    writeFile(song, SONG);
    const std::string fifo = folder.file("fifo.mml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const RunResult fromFile = runRenderer(quoted(song) + " -o -");
    const RunResult fromStdin = runRenderer("- -o - <" + quoted(song));
    const RunResult fromFifo = runRenderer(quoted(fifo) + " -o -",
                                           "(cat " + quoted(song) + " >" + quoted(fifo) + " &) &&");
    ASSERT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_TRUE(fromFile.out == renderedRaw(SONG)) << "the song as read from its file";
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, fromFile.out);
    EXPECT_EQ(fromFifo.exitCode, 0) << fromFifo.err;
    EXPECT_EQ(fromFifo.out, fromFile.out);
}

// Starts the renderer without a shell, so that the signal goes to it and nothing else.
pid_t spawnRenderer(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    std::string program = CHIMORA_RENDER_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, CHIMORA_RENDER_PATH, nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

TEST(RenderFilesTest, ASignalRemovesThePartialFileAndExitsWithTheShellsCode) {
    struct Case {
        int signal;
        int exitCode;
        std::string output;
    };
    std::vector<Case> cases = {{SIGINT, 130, "out.wav"}, {SIGTERM, 143, "out.wav"}};
    if (compressedFormatsBuiltIn()) {
        cases.push_back({SIGINT, 130, "out.flac"});
        cases.push_back({SIGTERM, 143, "out.ogg"});
    }
    for (const Case& item : cases) {
        TempDirectory folder;
        writeFile(folder.file("s.mml"), LOOPING_SONG);
        writeFile(folder.file(item.output), "old");
        const pid_t pid = spawnRenderer(
            {folder.file("s.mml"), "--seconds", "20000", "-o", folder.file(item.output)});
        ASSERT_GT(pid, 0);
        // Wait until the render is under way: its temporary file is there and growing.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool writing = false;
        while (!writing && std::chrono::steady_clock::now() < giveUp) {
            for (const auto& entry : fs::directory_iterator(folder.path())) {
                const std::string name = entry.path().filename().string();
                std::error_code ignored;
                if (name.rfind(item.output + ".", 0) == 0 &&
                    fs::file_size(entry.path(), ignored) > 8192) {
                    writing = true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(writing) << item.output;
        ::kill(pid, item.signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
        EXPECT_EQ(WEXITSTATUS(status), item.exitCode) << item.output;
        EXPECT_TRUE(readFile(folder.file(item.output)) == "old") << item.output << " was replaced";
        EXPECT_EQ(namesIn(folder), (std::set<std::string>{"s.mml", item.output}));
    }
}

} // namespace
} // namespace chimora
