// Everything the Windows program runs on, built in start-up order: the engine, the audio output
// streaming from the wave device, the platform services, the settings, the scheduler and the
// menu commands. The window's own pieces (menu marks, notices, repaint) act on the window
// handle they are given, which may be set later. Window thread.
#pragma once

#include "audio_output.h"
#include "audio_output_reacquire.h"
#include "audio_output_render_priority.h"
#include "clock_commands.h"
#include "engine.h"
#include "locked_engine.h"
#include "notice_boxes.h"
#include "settings.h"
#include "system_services.h"
#include "time_signal_scheduler.h"
#include "wave_device.h"
#include "window_menu_check_marks.h"
#include "window_repaint.h"

#include <windows.h>

#include <memory>

namespace chimora {

struct ClockProgram {
    // Brings the audio output up: from here on the render thread streams (silence until a
    // channel plays). A missing sound device is no error: the program runs on silently.
    explicit ClockProgram(const HWND& window);
    // Members go in reverse order: the audio output shuts down before the engine goes.

    Engine engine;
    // The window thread's way into the engine that the render thread mixes.
    LockedEngine lockedEngine{engine};
    std::unique_ptr<WaveDevice> waveDevice;
    AudioOutput audio;
    AudioOutputRenderPriority renderPriority{audio};
    AudioOutputReacquire reacquire{audio};
    SystemLocalTime localTime;
    SystemProfileStrings profile;
    SystemDirectorySearch directorySearch;
    SystemFileReader fileReader;
    WindowMenuCheckMarks menuMarks;
    NoticeBoxes notices;
    WindowRepaint repaint;
    Settings settings;
    TimeSignalScheduler scheduler;
    ClockCommands commands;
};

} // namespace chimora
