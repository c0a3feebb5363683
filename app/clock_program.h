// The whole clock without its window: engine, sound output, the platform's services, settings,
// scheduler and commands, brought up in order and taken down in reverse. Each window (and the
// Linux program's headless mode) owns one and supplies what only it has: the clock it reads,
// the repaint of its clock text, its menu's check marks and its message boxes.
// Window thread only.
#pragma once

#include "audio_output.h"
#include "audio_output_reacquire.h"
#include "audio_output_render_priority.h"
#include "clock_commands.h"
#include "engine.h"
#include "local_time_source.h"
#include "locked_engine.h"
#include "menu_check_marks.h"
#include "repaint_request.h"
#include "settings.h"
#include "system_services.h"
#include "time_signal_scheduler.h"
#include "wave_device.h"

#include <memory>

namespace chimora {

struct ProgramSeams {
    LocalTimeSource& localTime;
    RepaintRequest& repaint;
    MenuCheckMarks& menu;
    MessageBoxes& messages;
};

class ClockProgram {
public:
    // Starts the sound output on `device` (by default the platform's own), streaming silence;
    // a device that cannot be opened leaves the program silent (see soundDeviceProblem).
    // The seams must outlive this object.
    explicit ClockProgram(ProgramSeams seams, std::unique_ptr<WaveDevice> device = nullptr);
    // Releases the channel texts and shuts the sound output down.
    ~ClockProgram();
    ClockProgram(const ClockProgram&) = delete;
    ClockProgram& operator=(const ClockProgram&) = delete;

    // Reads the settings file and sets the check marks: once the menu exists, before the first
    // timer tick.
    void loadSettings() { commands_.loadSettings(); }

    // Empty while the sound device streams, else why it does not (see AudioOutput).
    std::string soundDeviceProblem() const;

    // The window thread's way into the engine that the render thread mixes.
    LockedEngine& engine() { return lockedEngine_; }
    AudioOutput& audioOutput() { return output_; }
    const Settings& settings() const { return settings_; }
    TimeSignalScheduler& scheduler() { return scheduler_; }
    ClockCommands& commands() { return commands_; }

private:
    Engine engine_;
    LockedEngine lockedEngine_{engine_};
    std::unique_ptr<WaveDevice> device_;
    AudioOutput output_;
    AudioOutputRenderPriority renderPriority_{output_};
    AudioOutputReacquire reacquire_;
    SystemProfileStrings profile_;
    SystemDirectorySearch directorySearch_;
    SystemFileReader fileReader_;
    Settings settings_;
    TimeSignalScheduler scheduler_;
    ClockCommands commands_;
};

} // namespace chimora
