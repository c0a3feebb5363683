// chimora.exe: the time-signal clock for Windows.
#include "clock_program.h"
#include "main_window.h"

#include <windows.h>

#include <memory>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // The sound path comes up before the window and goes down after the message loop.
    const auto program = std::make_unique<chimora::ClockProgram>(chimora::mainWindow);
    return chimora::runMainEntry(instance, showCommand, *program);
}
