// chimora as a real process: the command line's errors, and the headless program's lines and
// sound. ALSA's "file" plugin stands in for the sound card and writes into a named pipe that
// the test drains at eight times real time: the plugin takes blocks as fast as they come, so
// without that brake the render thread would fill the disk with silence.
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace chimora {
namespace {

using namespace chimora::testing;
using Clock = std::chrono::steady_clock;

constexpr int BLOCK_BYTES = 6000;
constexpr double CAPTURE_BYTES_PER_SECOND = 8 * 176400.0;

// A child process with its standard output and error read by the test.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& env) {
        int out[2];
        int err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> environment = env;
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string entry = *variable;
            if (entry.rfind("DISPLAY=", 0) != 0 && entry.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
                entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("ALSA_CONFIG_PATH=", 0) != 0)
                environment.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            throw std::runtime_error("cannot start " + arguments[0]);
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        stdout_ = out[0];
        stderr_ = err[0];
    }
    ~ChildProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(stdout_);
        ::close(stderr_);
    }

    // The next line of standard output without its line end, or nothing when none came in time.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const auto end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                lines_.push_back(line);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || !readSome(stdout_, pending_, static_cast<int>(left.count()))) {
                return std::nullopt;
            }
        }
    }
    // Everything the process writes on standard output until it closes it.
    std::string readToEnd(std::chrono::milliseconds timeoutPerRead) {
        while (readSome(stdout_, pending_, static_cast<int>(timeoutPerRead.count()))) {
        }
        return std::move(pending_);
    }
    // Sends the signal and waits for the end; the exit code, or -1 for an abnormal end.
    int stop(int signalNumber) {
        ::kill(pid_, signalNumber);
        return wait();
    }
    int wait() {
        // Bounded, so that a program that does not end fails the test instead of hanging it.
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        exited_ = true;
        while (readSome(stdout_, pending_, 0)) {
        }
        while (readSome(stderr_, errors_, 0)) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Every line read, then whatever came after the last one.
    std::string allOutput() {
        std::string text;
        for (const std::string& line : lines_) text += line + "\n";
        return text + pending_;
    }
    const std::string& errors() const { return errors_; }

private:
    static bool readSome(int fd, std::string& into, int timeoutMs) {
        pollfd poller{fd, POLLIN, 0};
        if (::poll(&poller, 1, timeoutMs) <= 0) return false;
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) return false;
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    pid_t pid_ = -1;
    int stdout_ = -1;
    int stderr_ = -1;
    bool exited_ = false;
    std::string pending_;
    std::string errors_;
    std::vector<std::string> lines_;
};

// ALSA's "default" device as a file plugin writing into a named pipe, drained and kept by a
// thread of its own at eight times real time.
class SoundCapture {
public:
    explicit SoundCapture(const TempDirectory& folder)
        : config_(folder.file("asound.conf")), pipe_(folder.file("pcm.fifo")) {
        if (::mkfifo(pipe_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo");
        // Self-contained on purpose: the stock configuration would let ~/.asoundrc or the
        // system's own "default" win.
        writeFile(config_, "pcm.!default {\n  type file\n  slave { pcm { type null } }\n  file \"" +
                               pipe_ + "\"\n  format \"raw\"\n}\n");
        // Opened for writing too, so that reads never see an end while the program reopens.
        fd_ = ::open(pipe_.c_str(), O_RDWR | O_NONBLOCK);
        reader_ = std::thread([this] { drain(); });
    }
    ~SoundCapture() {
        finish();
        ::close(fd_);
    }
    std::string environment() const { return "ALSA_CONFIG_PATH=" + config_; }
    std::size_t size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return bytes_.size();
    }
    // Stops after taking what is still in the pipe; call once the program has ended.
    std::vector<std::uint8_t> finish() {
        if (reader_.joinable()) {
            stopping_ = true;
            reader_.join();
        }
        return bytes_;
    }

private:
    void drain() {
        const auto start = Clock::now();
        std::vector<std::uint8_t> buffer(BLOCK_BYTES);
        for (;;) {
            pollfd poller{fd_, POLLIN, 0};
            const bool readable = ::poll(&poller, 1, 20) > 0;
            const ssize_t got = readable ? ::read(fd_, buffer.data(), buffer.size()) : 0;
            if (got <= 0) {
                if (stopping_) return;
                continue;
            }
            std::size_t total;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                bytes_.insert(bytes_.end(), buffer.begin(), buffer.begin() + got);
                total = bytes_.size();
            }
            if (stopping_) continue;
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                            static_cast<double>(total) / CAPTURE_BYTES_PER_SECOND)));
        }
    }

    std::string config_;
    std::string pipe_;
    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> renderedChime(const char* name) {
    ChildProcess renderer({CHIMORA_RENDER_PATH, "--chime", name, "-o", "-"}, {});
    const std::string raw = renderer.readToEnd(std::chrono::seconds(10));
    EXPECT_EQ(renderer.wait(), 0) << renderer.errors();
    return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

// Number of bytes in whole blocks of silence at the start.
std::size_t leadingSilence(const std::vector<std::uint8_t>& bytes) {
    std::size_t start = 0;
    while (start + BLOCK_BYTES <= bytes.size()) {
        for (std::size_t i = start; i < start + BLOCK_BYTES; ++i) {
            if (bytes[i] != 0) return start;
        }
        start += BLOCK_BYTES;
    }
    return start;
}

class HeadlessProcessTest : public ::testing::Test {
protected:
    // chimora --headless in `folder`, its clock starting at `at`, its sound into `capture`.
    std::unique_ptr<ChildProcess> startHeadless(const char* at, SoundCapture& capture) {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{CHIMORA_PATH, "--headless", "--dir", folder.path().string(),
                                     "--at", at},
            std::vector<std::string>{capture.environment()});
    }
    std::string startLine() const {
        return "melody on, hour on, half on, quarter on, volume 0db; folder " +
               folder.path().string();
    }

    TempDirectory folder;
    TempDirectory alsa;
};

TEST_F(HeadlessProcessTest, QuarterChimeReachesTheDeviceExactlyAsRendered) {
    const std::vector<std::uint8_t> rendered = renderedChime("quarter");
    const std::size_t renderedStart = leadingSilence(rendered);
    ASSERT_LT(renderedStart, rendered.size()) << "the rendered chime is silent";
    const std::size_t chimeBytes = rendered.size() - renderedStart;

    SoundCapture capture(alsa);
    auto chimora = startHeadless("14:14:57", capture);
    EXPECT_EQ(chimora->readLine(std::chrono::seconds(10)), startLine());
    EXPECT_EQ(chimora->readLine(std::chrono::seconds(10)), "14:15:00 quarter");
    // Enough for everything before the chime, the chime, and what the device still held.
    const std::size_t wanted = capture.size() + chimeBytes + 16 * BLOCK_BYTES;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (capture.size() < wanted && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(chimora->stop(SIGTERM), 0) << chimora->errors();
    const std::vector<std::uint8_t> captured = capture.finish();
    ASSERT_GE(captured.size(), wanted);

    const std::size_t capturedStart = leadingSilence(captured);
    ASSERT_LE(capturedStart + chimeBytes, captured.size());
    EXPECT_TRUE(std::equal(rendered.begin() + static_cast<std::ptrdiff_t>(renderedStart),
                           rendered.end(),
                           captured.begin() + static_cast<std::ptrdiff_t>(capturedStart)))
        << "the chime's samples differ from the renderer's";
}

TEST_F(HeadlessProcessTest, PrintsTheMelodyAndHourSignalsAndEndsCleanlyOnSigint) {
    std::filesystem::create_directory(folder.path() / "jihomml");
    writeFile(folder.file("jihomml/13b.mml"), "0t120o4l4cdefgab>c\r\n");
    writeFile(folder.file("jihomml/14a.mml"), "0c\r\n");
    SoundCapture capture(alsa);
    auto chimora = startHeadless("13:59:27", capture);
    EXPECT_EQ(chimora->readLine(std::chrono::seconds(10)), startLine());
    EXPECT_EQ(chimora->readLine(std::chrono::seconds(10)), "13:59:30 melody 13b.mml");
    EXPECT_EQ(chimora->stop(SIGINT), 0) << chimora->errors();
    // Not a terminal: no clock line, nothing but the lines above.
    EXPECT_EQ(chimora->allOutput(), startLine() + "\n13:59:30 melody 13b.mml\n");

    auto later = startHeadless("11:59:54", capture);
    EXPECT_EQ(later->readLine(std::chrono::seconds(10)), startLine());
    EXPECT_EQ(later->readLine(std::chrono::seconds(10)), "11:59:57 hour");
    EXPECT_EQ(later->stop(SIGTERM), 0) << later->errors();
}

// --- The command line ---------------------------------------------------------------------

struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments; // after the program's path; "FILE..." is in a plain file
    int exitCode;
    const char* said; // a piece of what it prints, on stdout for --help, else on stderr
};

void PrintTo(const CommandLineCase& item, std::ostream* out) {
    for (const std::string& argument : item.arguments) *out << argument << ' ';
}

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, SaysWhatIsWrongAndExitsWithItsCode) {
    TempDirectory folder;
    writeFile(folder.file("FILE"), "");
    std::vector<std::string> arguments{CHIMORA_PATH};
    for (const std::string& argument : GetParam().arguments) {
        const bool inFile = argument.rfind("FILE", 0) == 0;
        arguments.push_back(inFile ? folder.file(argument) : argument);
    }
    ChildProcess chimora(arguments, {"XDG_DATA_HOME=" + folder.file("data")});
    EXPECT_EQ(chimora.wait(), GetParam().exitCode);
    const std::string said = GetParam().exitCode == 0 ? chimora.allOutput() : chimora.errors();
    EXPECT_NE(said.find(GetParam().said), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(folder.file("data")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"Help", {"--help"}, 0, "--at HH:MM:SS"},
        CommandLineCase{"HourOutOfRange", {"--headless", "--at", "24:00:00"}, 2, "'24:00:00'"},
        CommandLineCase{"TimeWithoutSeconds", {"--at", "13:59"}, 2, "HH:MM:SS"},
        CommandLineCase{"UnknownOption", {"--loud"}, 2, "--loud"},
        CommandLineCase{"FolderIsAFile", {"--headless", "--dir", "FILE/x"}, 1, "cannot use"},
        CommandLineCase{"NoDisplay", {}, 1, "--headless"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

} // namespace
} // namespace chimora
