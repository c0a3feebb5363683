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
//   heard CAPTURE EXPECTED SECONDS   every sounding frame of EXPECTED (raw samples) arrives
//                                    in CAPTURE, exact, in order and none missing
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

// Appends the sounding (not silent) 4-byte stereo frames of the file from byte `offset` on to
// `frames`, and moves `offset` past the whole frames read. Wine's sound path writes silence of
// its own before a stream and wherever a block reaches it late, so sound is compared without
// silence. Reading only what is new keeps the probe from competing with the program for the
// processor while the capture grows.
void readSoundingFrames(const wchar_t* path, std::uint64_t& offset,
                        std::vector<std::uint32_t>& frames) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<char> bytes(1 << 20);
    while (in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) || in.gcount() > 0) {
        const std::size_t whole = static_cast<std::size_t>(in.gcount()) / 4 * 4;
        for (std::size_t i = 0; i < whole; i += 4) {
            std::uint32_t frame;
            std::memcpy(&frame, bytes.data() + i, 4);
            if (frame != 0) frames.push_back(frame);
        }
        offset += whole;
        if (whole != static_cast<std::size_t>(in.gcount())) break; // a frame still being written
    }
}

std::vector<std::uint32_t> soundingFrames(const wchar_t* path) {
    std::uint64_t offset = 0;
    std::vector<std::uint32_t> frames;
    readSoundingFrames(path, offset, frames);
    return frames;
}

// Compares the sounding frames heard so far with the song's: they must be its first frames,
// exact and in order, with none missing. Returns how many have arrived, or -1 (after saying
// where) when one differs.
long long framesHeardInOrder(const std::vector<std::uint32_t>& heard,
                             const std::vector<std::uint32_t>& expected) {
    const std::size_t count = std::min(heard.size(), expected.size());
    const auto differ = std::mismatch(
        heard.begin(), heard.begin() + static_cast<std::ptrdiff_t>(count), expected.begin());
    if (differ.first == heard.begin() + static_cast<std::ptrdiff_t>(count)) {
        return static_cast<long long>(count);
    }
    std::printf("sounding frame %zu is %08x, the song has %08x there\n",
                static_cast<std::size_t>(differ.first - heard.begin()),
                static_cast<unsigned>(*differ.first), static_cast<unsigned>(*differ.second));
    return -1;
}

// Waits until every sounding frame of EXPECTED has arrived in CAPTURE, for at most `seconds`.
int expectHeard(const wchar_t* capturePath, const wchar_t* expectedPath, double seconds) {
    const std::vector<std::uint32_t> expected = soundingFrames(expectedPath);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    std::uint64_t offset = 0;
    std::vector<std::uint32_t> captured;
    long long heard = 0;
    do {
        readSoundingFrames(capturePath, offset, captured);
        heard = framesHeardInOrder(captured, expected);
        if (heard < 0) return 1;
        if (heard == static_cast<long long>(expected.size())) {
            std::printf("all %zu sounding frames heard\n", expected.size());
            return 0;
        }
        Sleep(POLL_MS);
    } while (GetTickCount64() < deadline);
    std::printf("only %lld of %zu sounding frames arrived\n", heard, expected.size());
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
    if (command == L"heard" && argc == 5) {
        return expectHeard(argv[2], argv[3], secondsArgument(argv[4]));
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
