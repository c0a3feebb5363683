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
//                                    EXPECTED (raw samples) is heard in CAPTURE to its end:
//                                    PERCENT of its sounding frames arrive, exact and in order
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

// How much of the song has arrived. Heard frames are matched to the song's in order; where a
// stretch is missing, a run of 64 heard frames finds its place again, searched from a few
// blocks back, because under load Wine may hand a block to the plugin after the one behind it.
struct HeardSong {
    std::vector<bool> arrived; // per sounding frame of the song
    std::size_t next = 0;      // where the next heard frame is expected
    std::size_t checked = 0;   // heard frames matched so far
    bool foreign = false;      // a heard frame the song does not have near that point
};

void matchHeard(const std::vector<std::uint32_t>& heard, const std::vector<std::uint32_t>& song,
                HeardSong& state) {
    constexpr std::size_t RUN_FRAMES = 64;
    constexpr std::size_t LOOK_BACK_FRAMES = 8 * 1500;
    while (state.checked < heard.size() && !state.foreign) {
        const std::size_t i = state.checked;
        if (state.next < song.size() && heard[i] == song[state.next]) {
            state.arrived[state.next++] = true;
            ++state.checked;
            continue;
        }
        if (heard.size() - i < RUN_FRAMES) return; // wait for a whole run
        const auto from =
            song.begin() + static_cast<std::ptrdiff_t>(
                               state.next > LOOK_BACK_FRAMES ? state.next - LOOK_BACK_FRAMES : 0);
        const auto run = heard.begin() + static_cast<std::ptrdiff_t>(i);
        const auto at = std::search(from, song.end(), run, run + RUN_FRAMES);
        if (at == song.end()) {
            std::printf("sounding frame %zu (%08x) is not the song's\n", i,
                        static_cast<unsigned>(heard[i]));
            state.foreign = true;
            return;
        }
        state.next = static_cast<std::size_t>(at - song.begin());
    }
}

// Waits until the song's last sounding frame has arrived in CAPTURE, for at most `seconds`,
// and wants at least `percent` of the song's sounding frames there, exact and in order. That
// no block is lost by the program itself is shown by the device test with numbered blocks;
// here a block Wine marks played before reading it (on a loaded machine) only costs frames.
int expectHeard(const wchar_t* capturePath, const wchar_t* expectedPath, long long percent,
                double seconds) {
    const std::vector<std::uint32_t> song = soundingFrames(expectedPath);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    std::uint64_t offset = 0;
    std::vector<std::uint32_t> captured;
    HeardSong state;
    state.arrived.assign(song.size(), false);
    do {
        readSoundingFrames(capturePath, offset, captured);
        matchHeard(captured, song, state);
        if (state.foreign) return 1;
        if (!song.empty() && state.arrived.back()) break;
        Sleep(POLL_MS);
    } while (GetTickCount64() < deadline);
    const auto arrived = std::count(state.arrived.begin(), state.arrived.end(), true);
    std::printf("%lld of %zu sounding frames heard\n", static_cast<long long>(arrived),
                song.size());
    return !song.empty() && arrived * 100 >= static_cast<long long>(song.size()) * percent ? 0 : 1;
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
