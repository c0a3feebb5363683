// chimora-probe.exe: lets the window test drive and inspect a running chimora.exe from another
// Wine process of the same desktop. Prints only ASCII; exits 0 on success, 1 on a failed check
// or a time-out, 2 on a bad command line.
//
//   wait-window TITLE SECONDS        a visible top-level window titled TITLE appears
//   wait-gone TITLE SECONDS          no visible window titled TITLE is left
//   send ID | post ID                WM_COMMAND ID to the "CHIMORA" window, waiting for it
//                                    to be handled (send) or not (post, for modal commands)
//   marks ID...                      prints ID=1, ID=0 or ID=-1 (no such item) per menu item
//   close TITLE                      closes the visible window titled TITLE (its close box)
//   expect-box CAPTION TEXT SECONDS  a message box CAPTION showing TEXT appears; presses OK
//   acp                              prints the ANSI code page the programs run with
//   heard CAPTURE EXPECTED PERCENT SECONDS
//                                    PERCENT of the sounding frames of EXPECTED (raw
//                                    samples) arrive in CAPTURE, in order and exact
#include "menu_mark_query.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr wchar_t MAIN_TITLE[] = L"CHIMORA";
constexpr DWORD POLL_MS = 50;

struct TitleSearch {
    const wchar_t* title;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTitled(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TitleSearch*>(parameter);
    wchar_t text[256];
    if (IsWindowVisible(window) && GetWindowTextW(window, text, 256) > 0 &&
        std::wcscmp(text, search->title) == 0) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> visibleWindowsTitled(const wchar_t* title) {
    TitleSearch search{title, {}};
    EnumWindows(collectTitled, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const wchar_t* title, double seconds) {
    for (DWORD waited = 0; waited <= seconds * 1000; waited += POLL_MS) {
        const auto windows = visibleWindowsTitled(title);
        if (!windows.empty()) return windows.front();
        Sleep(POLL_MS);
    }
    return nullptr;
}

std::wstring textOf(HWND window) {
    wchar_t text[512] = L"";
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

BOOL CALLBACK collectChildTexts(HWND child, LPARAM parameter) {
    reinterpret_cast<std::vector<std::wstring>*>(parameter)->push_back(textOf(child));
    return TRUE;
}

std::vector<std::wstring> childTexts(HWND window) {
    std::vector<std::wstring> texts;
    EnumChildWindows(window, collectChildTexts, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// Non-ASCII characters as \uXXXX, so that the output stays ASCII.
void printEscaped(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            std::printf("%c", static_cast<char>(c));
        } else {
            std::printf("\\u%04X", static_cast<unsigned>(c));
        }
    }
}

int expectBox(const wchar_t* caption, const wchar_t* text, double seconds) {
    std::vector<std::wstring> seen;
    for (DWORD waited = 0; waited <= seconds * 1000; waited += POLL_MS) {
        for (const HWND box : visibleWindowsTitled(caption)) {
            seen = childTexts(box);
            for (const std::wstring& shown : seen) {
                if (shown != text) continue;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return 0;
            }
        }
        Sleep(POLL_MS);
    }
    std::printf("no box with the expected text; last texts seen:");
    for (const std::wstring& shown : seen) {
        std::printf(" \"");
        printEscaped(shown);
        std::printf("\"");
    }
    std::printf("\n");
    return 1;
}

HWND mainWindow() {
    const HWND window = waitForWindow(MAIN_TITLE, 5);
    if (window == nullptr) std::printf("no CHIMORA window\n");
    return window;
}

int printMarks(int count, wchar_t** ids) {
    const HWND window = mainWindow();
    if (window == nullptr) return 1;
    for (int i = 0; i < count; ++i) {
        const long id = std::wcstol(ids[i], nullptr, 10);
        const LRESULT mark =
            SendMessageW(window, chimora::WM_QUERY_MENU_MARK, static_cast<WPARAM>(id), 0);
        std::printf("%s%ld=%d", i == 0 ? "" : " ", id, static_cast<int>(mark));
    }
    std::printf("\n");
    return 0;
}

int sendCommand(const wchar_t* idText, bool wait) {
    const HWND window = mainWindow();
    if (window == nullptr) return 1;
    const WPARAM id = static_cast<WPARAM>(std::wcstol(idText, nullptr, 10));
    if (wait) {
        SendMessageW(window, WM_COMMAND, id, 0);
    } else {
        PostMessageW(window, WM_COMMAND, id, 0);
    }
    return 0;
}

double secondsArgument(const wchar_t* text) { return std::wcstod(text, nullptr); }

// The file's 4-byte stereo frames without the silent ones. Wine's sound path writes silence of
// its own before a stream and wherever the program hands it a block late (on a loaded
// machine), so sound is compared without silence: every other frame must arrive, in order.
std::vector<std::uint32_t> soundingFrames(const wchar_t* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    std::vector<std::uint32_t> frames;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::uint32_t frame;
        std::memcpy(&frame, bytes.data() + i, 4);
        if (frame != 0) frames.push_back(frame);
    }
    return frames;
}

// How much of EXPECTED has arrived in CAPTURE: the sounding frames must come in order and
// exact; a stretch that is missing is skipped over, so that the count says how much arrived.
// Returns the number of expected frames heard, or -1 when a frame arrived that the song does
// not have at that point.
long long framesHeard(const std::vector<std::uint32_t>& heard,
                      const std::vector<std::uint32_t>& expected) {
    constexpr std::size_t RESYNC_FRAMES = 64; // a run this long locates the heard sound
    std::size_t j = 0;
    long long matched = 0;
    for (std::size_t i = 0; i < heard.size() && j < expected.size();) {
        if (heard[i] == expected[j]) {
            ++i, ++j, ++matched;
            continue;
        }
        const std::size_t run = std::min(RESYNC_FRAMES, heard.size() - i);
        const auto at = std::search(expected.begin() + static_cast<std::ptrdiff_t>(j),
                                    expected.end(), heard.begin() + static_cast<std::ptrdiff_t>(i),
                                    heard.begin() + static_cast<std::ptrdiff_t>(i + run));
        if (at == expected.end()) {
            std::printf("sounding frame %zu (%08x) is not the song's\n", i,
                        static_cast<unsigned>(heard[i]));
            return -1;
        }
        j = static_cast<std::size_t>(at - expected.begin());
    }
    return matched;
}

// Waits until at least `percent` of the sounding frames of EXPECTED have arrived in CAPTURE.
int expectHeard(const wchar_t* capturePath, const wchar_t* expectedPath, long long percent,
                double seconds) {
    const std::vector<std::uint32_t> expected = soundingFrames(expectedPath);
    const long long wanted = static_cast<long long>(expected.size()) * percent / 100;
    long long matched = 0;
    for (DWORD waited = 0; waited <= seconds * 1000; waited += POLL_MS) {
        matched = framesHeard(soundingFrames(capturePath), expected);
        if (matched < 0) return 1;
        if (matched >= wanted) {
            std::printf("%lld of %zu sounding frames heard\n", matched, expected.size());
            return 0;
        }
        Sleep(POLL_MS);
    }
    std::printf("only %lld of %zu sounding frames arrived\n", matched, expected.size());
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    if (command == L"wait-window" && argc == 4) {
        if (waitForWindow(argv[2], secondsArgument(argv[3])) != nullptr) return 0;
        std::printf("window did not appear\n");
        return 1;
    }
    if (command == L"wait-gone" && argc == 4) {
        for (DWORD waited = 0; waited <= secondsArgument(argv[3]) * 1000; waited += POLL_MS) {
            if (visibleWindowsTitled(argv[2]).empty()) return 0;
            Sleep(POLL_MS);
        }
        std::printf("window is still there\n");
        return 1;
    }
    if ((command == L"send" || command == L"post") && argc == 3) {
        return sendCommand(argv[2], command == L"send");
    }
    if (command == L"acp" && argc == 2) {
        std::printf("%u\n", GetACP());
        return 0;
    }
    if (command == L"heard" && argc == 6) {
        const long long percent = std::wcstoll(argv[4], nullptr, 10);
        return expectHeard(argv[2], argv[3], percent, secondsArgument(argv[5]));
    }
    if (command == L"marks" && argc >= 3) return printMarks(argc - 2, argv + 2);
    if (command == L"close" && argc == 3) {
        const HWND window = waitForWindow(argv[2], 5);
        if (window == nullptr) return 1;
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (command == L"expect-box" && argc == 5) {
        return expectBox(argv[2], argv[3], secondsArgument(argv[4]));
    }
    return 2;
}
