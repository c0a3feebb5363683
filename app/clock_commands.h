// The menu commands of the main window, carried out once here for every window: the windows
// only turn a menu choice into a command id and do what the outcome asks of them (open the
// about box, end the program). Everything here runs on the window thread.
#pragma once

#include "locked_engine.h"
#include "main_menu.h"
#include "menu_check_marks.h"
#include "profile_strings.h"
#include "settings.h"
#include "time_signal_scheduler.h"

#include <string>

namespace chimora {

// The three messages of the re-acquire command, all captioned NOTICE_CAPTION.
constexpr char NOTICE_CAPTION[] = "注意";
constexpr char MESSAGE_STILL_PLAYING[] = "内部では演奏中になってるみたいです。";
constexpr char MESSAGE_REACQUIRING[] = "デバイスを取得し直します。";
constexpr char MESSAGE_REACQUIRED[] = "デバイスを取得し直しました。";

// Modal message boxes owned by the main window: UTF-8 text and caption, one OK button, no icon.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has dismissed the box.
    virtual void showNotice(const std::string& text, const std::string& caption) = 0;
};

// Closes the sound device, waits a second and opens it again with a new render thread.
class AudioReacquire {
public:
    virtual ~AudioReacquire() = default;
    virtual void reacquireAudio() = 0;
};

// What the window still has to do after a command.
enum class CommandOutcome {
    done,        // the command was carried out
    showAbout,   // open the about box
    exitProgram, // destroy the window and end the program with code 0
    notACommand, // an id of no menu item: the window's default handling applies
};

// The platform pieces the commands act on, each implemented by the window.
struct CommandSeams {
    ProfileStrings& profile;
    MenuCheckMarks& menu;
    MessageBoxes& messages;
    AudioReacquire& audio;
};

class ClockCommands {
public:
    // All arguments must outlive this object. `settings` is the one the scheduler reads.
    ClockCommands(LockedEngine& engine, Settings& settings, TimeSignalScheduler& scheduler,
                  CommandSeams seams);

    // Reads "switch.ini" into the settings and sets the check marks; once, after the menu
    // exists and before the first timer tick.
    void loadSettings();

    // Carries out the menu command with this id, or says what the window has to do.
    CommandOutcome runCommand(int commandId);

    // Switch i (0..3): writes its new state to the file at once, then flips it and its mark.
    void toggleSwitch(int switchIndex);
    // Volume step s (0..3): the melody gain of the next song file, its single mark, the file.
    void selectVolumeStep(int step);
    // Re-acquires the sound device between two notices, or only says that something plays.
    void reacquireDevice();
    // Plays a random song file now (see TimeSignalScheduler::listenRandom).
    void listenRandom();

private:
    bool anyChannelActive();

    LockedEngine& engine_;
    Settings& settings_;
    TimeSignalScheduler& scheduler_;
    CommandSeams seams_;
};

} // namespace chimora
