#include "clock_commands.h"
#include "scheduler_rig.h"
#include "system_services.h"
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chimora {
namespace {

using namespace chimora::testing;

// Message boxes and the device, logging into one list so that their order shows.
class LoggingMessages final : public MessageBoxes {
public:
    explicit LoggingMessages(std::vector<std::string>& log) : log_(log) {}
    void showNotice(const std::string& text, const std::string& caption) override {
        log_.push_back(caption + ": " + text);
    }

private:
    std::vector<std::string>& log_;
};

class LoggingAudio final : public AudioReacquire {
public:
    explicit LoggingAudio(std::vector<std::string>& log) : log_(log) {}
    void reacquireAudio() override { log_.push_back("reacquire"); }

private:
    std::vector<std::string>& log_;
};

// The commands on a real engine and scheduler, with the real settings file in a fresh folder.
class ClockCommandsTest : public SchedulerTest {
protected:
    // The file's lines joined with "|", whatever their line ends.
    std::string settingsFile() const {
        std::string lines;
        for (char c : readFile(folder.file("switch.ini"))) {
            if (c == '\n')
                lines += '|';
            else if (c != '\r')
                lines += c;
        }
        return lines;
    }

    TempDirectory folder;
    WorkingDirectory inFolder{folder.path()};
    SystemProfileStrings profile;
    FakeMenu menu;
    std::vector<std::string> log;
    LoggingMessages messages{log};
    LoggingAudio audio{log};
    ClockCommands commands{lockedEngine, settings, scheduler, {profile, menu, messages, audio}};
};

TEST(MainMenuTest, CommandTablesFollowTheMenuOrder) {
    ASSERT_EQ(std::size(MAIN_MENU), 4u);
    const auto& switches = MAIN_MENU[SWITCH_MENU_POSITION].items;
    const auto& volumes = MAIN_MENU[VOLUME_MENU_POSITION].items;
    ASSERT_EQ(switches.size(), std::size_t{SWITCH_COUNT});
    ASSERT_EQ(volumes.size(), std::size_t{VOLUME_STEP_COUNT});
    for (int i = 0; i < SWITCH_COUNT; ++i) EXPECT_EQ(switches[i].commandId, SWITCH_COMMANDS[i]);
    for (int s = 0; s < VOLUME_STEP_COUNT; ++s) {
        EXPECT_EQ(volumes[s].commandId, VOLUME_COMMANDS[s]);
        // The menu starts as a file-less start-up leaves it.
        EXPECT_EQ(volumes[s].state == MenuItemState::checked, s == DEFAULT_VOLUME_STEP);
    }
}

TEST_F(ClockCommandsTest, ToggleWritesTheFileAtOnceAndFlipsFlagAndMark) {
    writeFile("switch.ini", "[kinou]\r\nmenu0=0\r\nmenu3=yes\r\n");
    commands.loadSettings();
    ASSERT_EQ(menu.marks(SWITCH_MENU_POSITION), "0110");

    EXPECT_EQ(commands.runCommand(CMD_SWITCH_HALF), CommandOutcome::done);
    EXPECT_EQ(settings.featureFlags[SWITCH_HALF], 0);
    EXPECT_EQ(menu.marks(SWITCH_MENU_POSITION), "0100");
    EXPECT_NE(settingsFile().find("menu2=0"), std::string::npos) << settingsFile();

    EXPECT_EQ(commands.runCommand(CMD_SWITCH_MELODY), CommandOutcome::done);
    EXPECT_EQ(commands.runCommand(CMD_SWITCH_HALF), CommandOutcome::done);
    EXPECT_EQ(menu.marks(SWITCH_MENU_POSITION), "1110");
    EXPECT_EQ(settings.featureFlags[SWITCH_MELODY], 1);
    EXPECT_EQ(settingsFile(), "[kinou]|menu0=1|menu3=yes|menu2=1|");
}

TEST_F(ClockCommandsTest, VolumeStepMovesTheSingleMarkAndSetsTheGain) {
    commands.loadSettings();
    const double gains[] = {1.41, 1.0, 0.705, 0.5}; // +3, 0, -3 and -6 dB
    for (int step : {3, 0, 2}) {
        EXPECT_EQ(commands.runCommand(VOLUME_COMMANDS[step]), CommandOutcome::done);
        EXPECT_EQ(settings.melodyGain, gains[step]);
        std::string expected = "0000";
        expected[static_cast<std::size_t>(step)] = '1';
        EXPECT_EQ(menu.marks(VOLUME_MENU_POSITION), expected);
        EXPECT_EQ(settingsFile(), "[onryo]|vol=" + std::to_string(step) + "|");
    }
}

TEST_F(ClockCommandsTest, ReacquireShowsOnlyTheWarningWhileAChannelPlays) {
    engine.compileChannel(5, "c1");
    engine.startChannel(5);
    EXPECT_EQ(commands.runCommand(CMD_REACQUIRE), CommandOutcome::done);
    EXPECT_EQ(log, std::vector<std::string>{"注意: 内部では演奏中になってるみたいです。"});
}

TEST_F(ClockCommandsTest, ReacquireWhenSilentRunsBetweenTwoNotices) {
    EXPECT_EQ(commands.runCommand(CMD_REACQUIRE), CommandOutcome::done);
    EXPECT_EQ(log, (std::vector<std::string>{"注意: デバイスを取得し直します。", "reacquire",
                                             "注意: デバイスを取得し直しました。"}));
}

TEST_F(ClockCommandsTest, WindowCommandsAndUnknownIdsTouchNothing) {
    commands.loadSettings();
    const int redraws = menu.redraws;
    EXPECT_EQ(commands.runCommand(CMD_ABOUT), CommandOutcome::showAbout);
    EXPECT_EQ(commands.runCommand(CMD_EXIT), CommandOutcome::exitProgram);
    for (int id : {0, 1, 2, 103, 106, 32770, 32778, 32782, 65535}) {
        EXPECT_EQ(commands.runCommand(id), CommandOutcome::notACommand) << id;
    }
    EXPECT_EQ(menu.redraws, redraws);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(directory.searches.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(ClockCommandsTest, ListenPlaysARandomSongFile) {
    addSongs("*.mml", {"a.mml"}, "3");
    clock.set(10, 20, 30);
    EXPECT_EQ(commands.runCommand(CMD_LISTEN), CommandOutcome::done);
    EXPECT_EQ(files.reads, std::vector<std::string>{songFolderPath("a.mml")});
    EXPECT_TRUE(isRunning(3));
}

} // namespace
} // namespace chimora
