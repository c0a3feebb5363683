#include "main_window.h"

#include "about_dialog.h"
#include "main_menu.h"
#include "menu_mark_query.h"
#include "resource_ids.h"
#include "wide_text.h"

namespace chimora {

// The resource file names the commands with its own #defines; they must be the menu's ids.
static_assert(IDM_ABOUT == CMD_ABOUT && IDM_EXIT == CMD_EXIT);
static_assert(IDM_SWITCH_MELODY == CMD_SWITCH_MELODY && IDM_SWITCH_HOUR == CMD_SWITCH_HOUR &&
              IDM_SWITCH_HALF == CMD_SWITCH_HALF && IDM_SWITCH_QUARTER == CMD_SWITCH_QUARTER);
static_assert(IDM_VOLUME_PLUS3 == CMD_VOLUME_PLUS3 && IDM_VOLUME_0 == CMD_VOLUME_0 &&
              IDM_VOLUME_MINUS3 == CMD_VOLUME_MINUS3 && IDM_VOLUME_MINUS6 == CMD_VOLUME_MINUS6);
static_assert(IDM_REACQUIRE == CMD_REACQUIRE && IDM_LISTEN == CMD_LISTEN);

HINSTANCE appInstance = nullptr;
wchar_t windowTitle[TITLE_CHARS] = L"";
wchar_t windowClassName[TITLE_CHARS] = L"";
HWND mainWindow = nullptr;

namespace {

constexpr UINT_PTR CLOCK_TIMER_ID = 1;

// What the window's messages drive; set before the window is created.
ClockProgram* clockProgram = nullptr;

void paintClockText(HWND window) {
    PAINTSTRUCT paint;
    const HDC context = BeginPaint(window, &paint);
    const std::wstring text = wideFromUtf8(clockProgram->scheduler.displayText());
    TextOutW(context, 0, 0, text.c_str(), static_cast<int>(text.size()));
    EndPaint(window, &paint);
}

LRESULT markQuery(HWND window, WPARAM commandId) {
    const UINT state = GetMenuState(GetMenu(window), static_cast<UINT>(commandId), MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) return -1;
    return (state & MF_CHECKED) != 0 ? 1 : 0;
}

LRESULT runMenuCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (clockProgram->commands.runCommand(LOWORD(wParam))) {
    case CommandOutcome::showAbout:
        DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_ABOUTBOX), window, aboutDialogProc, 0);
        return 0;
    case CommandOutcome::exitProgram: DestroyWindow(window); return 0;
    case CommandOutcome::notACommand: return DefWindowProcW(window, message, wParam, lParam);
    case CommandOutcome::done: break;
    }
    return 0;
}

} // namespace

void registerMainClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_CHIMORA));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDC_CHIMORA);
    windowClass.lpszClassName = windowClassName;
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    RegisterClassExW(&windowClass);
}

bool createMainWindow(HINSTANCE instance, int showCommand, ClockProgram& program) {
    appInstance = instance;
    clockProgram = &program;
    mainWindow =
        CreateWindowExW(0, windowClassName, windowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                        WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
    if (mainWindow == nullptr) return false;
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    return true;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        // The clock text is a single space until the first tick.
        SetTimer(window, CLOCK_TIMER_ID, TIMER_PERIOD_MS, nullptr);
        clockProgram->lockedEngine.makeAllTextsEmpty();
        return 0;
    }
    case WM_DESTROY: {
        clockProgram->lockedEngine.releaseAllTexts();
        PostQuitMessage(0);
        return 0;
    }
    case WM_PAINT: paintClockText(window); return 0;
    case WM_TIMER: clockProgram->scheduler.onTimerTick(); return 0;
    case WM_COMMAND: return runMenuCommand(window, message, wParam, lParam);
    case WM_QUERY_MENU_MARK: return markQuery(window, wParam);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

int runMainEntry(HINSTANCE instance, int showCommand, ClockProgram& program) {
    LoadStringW(instance, IDS_APP_TITLE, windowTitle, TITLE_CHARS);
    LoadStringW(instance, IDC_CHIMORA, windowClassName, TITLE_CHARS);
    registerMainClass(instance);
    if (!createMainWindow(instance, showCommand, program)) return 0;
    const HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_CHIMORA));
    program.commands.loadSettings();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(message.hwnd, accelerators, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace chimora
