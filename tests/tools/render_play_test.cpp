// --play on the null device, which plays nothing in real time: --device, and --watch playing
// each saved version of a song until Ctrl-C.
#include "render_process.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace chimora {
namespace {

using testing::readFileBytes;
using testing::runRenderer;
using testing::RunResult;
using testing::TempDirectory;

// Starts the renderer without a shell, its stderr into errPath.
pid_t spawnRenderer(std::vector<std::string> arguments, const std::string& errPath) {
    std::vector<char*> argv;
    std::string program = CHIMORA_RENDER_PATH;
    argv.push_back(program.data());
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    if (::posix_spawn(&pid, CHIMORA_RENDER_PATH, &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::string contents(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Waits up to 20 s for the file to hold `text` `count` times.
bool waitFor(const std::string& path, const std::string& text, int count = 1) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < giveUp) {
        const std::string now = contents(path);
        int found = 0;
        for (std::size_t at = now.find(text); at != std::string::npos;
             at = now.find(text, at + 1)) {
            ++found;
        }
        if (found >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(RenderPlayTest, AnUnknownDeviceIsReportedByName) {
    TempDirectory folder;
    std::ofstream(folder.file("s.mml"), std::ios::binary) << "0cx\r\n";
    const RunResult result =
        runRenderer("'" + folder.file("s.mml") + "' --play --device no_such_device");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot open the sound device: cannot open ALSA device "
                              "\"no_such_device\""),
              std::string::npos)
        << result.err;
    const RunResult played = runRenderer("'" + folder.file("s.mml") + "' --play --device null");
    EXPECT_EQ(played.exitCode, 0) << played.err;
}

TEST(RenderPlayTest, WatchPlaysEachSavedVersionWithItsWarningsUntilCtrlC) {
    TempDirectory folder;
    const std::string song = folder.file("s.mml");
    const std::string err = folder.file("err.txt");
    std::ofstream(song, std::ios::binary) << "0t240 l16 cdefg x\r\n";
    const pid_t pid = spawnRenderer({song, "--play", "--watch", "--device", "null"}, err);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor(err, "to be saved again")) << contents(err);
    EXPECT_EQ(contents(err).find("warning"), std::string::npos) << contents(err);

    // A version with a warning, saved while the renderer waits.
    std::ofstream(song, std::ios::binary) << "0t240 v 10 l16 cdefg x\r\n";
    ASSERT_TRUE(waitFor(err, "to be saved again", 2)) << contents(err);
    const std::string second = contents(err);
    EXPECT_NE(second.find("s.mml was saved; playing it from the start"), std::string::npos)
        << second;
    EXPECT_NE(second.find("s.mml:1: warning: "), std::string::npos) << second;

    // A version that loops, saved while it plays: played again from the start at once.
    std::ofstream(song, std::ios::binary) << "0t240 L l16 cdefg\r\n";
    ASSERT_TRUE(waitFor(err, "was saved", 2)) << contents(err);
    std::ofstream(song, std::ios::binary) << "0t240 L l16 gfedc\r\n";
    ASSERT_TRUE(waitFor(err, "was saved", 3)) << contents(err);

    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << contents(err);
    EXPECT_EQ(WEXITSTATUS(status), 130) << contents(err);
}

} // namespace
} // namespace chimora
