// The main window: a 300 x 100 window with the menu, showing the clock text that the scheduler
// forms, driven by a 300 ms timer. Window thread only.
#pragma once

#include "clock_program.h"

#include <windows.h>

namespace chimora {

constexpr int TITLE_CHARS = 100;

// Process-wide values of the window, set by the main entry and createMainWindow.
extern HINSTANCE appInstance;
extern wchar_t windowTitle[TITLE_CHARS];     // string 103
extern wchar_t windowClassName[TITLE_CHARS]; // string 109
extern HWND mainWindow;

// The main entry's steps: loads the two strings, registers the class, creates the window,
// loads the accelerators and the settings, and runs the message loop. Returns the exit code:
// the quit message's (0), or 0 at once if the window cannot be created.
int runMainEntry(HINSTANCE instance, int showCommand, ClockProgram& program);

void registerMainClass(HINSTANCE instance);
// Creates, shows and paints the window, whose messages drive `program`. False if the window
// could not be created.
bool createMainWindow(HINSTANCE instance, int showCommand, ClockProgram& program);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace chimora
