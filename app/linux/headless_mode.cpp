// The headless loop waits for the stop signals with sigtimedwait, which doubles as the 300 ms
// timer: a signal ends the wait at once, and no handler runs on an arbitrary thread.
#include "headless_mode.h"

#include "clock_program.h"
#include "main_menu.h"
#include "status_lines.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>

namespace chimora {
namespace {

using Clock = std::chrono::steady_clock;

sigset_t stopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

// Standard output: signal lines, and on a terminal the clock text on a line of its own that
// each tick rewrites. Lines are flushed at once, so a service's log shows them as they happen.
class ConsoleLog final : public SignalObserver,
                         public RepaintRequest,
                         public MenuCheckMarks,
                         public MessageBoxes {
public:
    ConsoleLog() : onTerminal_(::isatty(STDOUT_FILENO) == 1) {}

    void printLine(const std::string& line) {
        clearClock();
        std::cout << line << std::endl;
    }
    void clearClock() {
        if (clockShown_) std::cout << "\r\033[K";
        clockShown_ = false;
    }

    void signalStarted(const StartedSignal& signal) override { printLine(signalLine(signal)); }
    void showClock(const std::string& text) {
        if (!onTerminal_) return;
        std::cout << "\r\033[K" << text << std::flush;
        clockShown_ = true;
    }
    // The clock is shown after each tick instead.
    void requestRepaint() override {}
    // There is no menu: the settings are read but no mark is shown.
    bool isItemChecked(int, int) override { return false; }
    void setItemChecked(int, int, bool) override {}
    void redrawMenuBar() override {}
    // No command shows a message without a window; should one come, it goes to stderr.
    void showNotice(const std::string& text, const std::string& caption) override {
        clearClock();
        std::cerr << caption << ": " << text << std::endl;
    }

private:
    const bool onTerminal_;
    bool clockShown_ = false;
};

// Waits until `deadline` or a stop signal; true when a stop signal came.
bool stopSignalBefore(Clock::time_point deadline) {
    const sigset_t signals = stopSignals();
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return false;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const auto nanoseconds =
            std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
        const timespec timeout{static_cast<time_t>(seconds.count()),
                               static_cast<long>(nanoseconds.count())};
        const int received = sigtimedwait(&signals, nullptr, &timeout);
        if (received >= 0) return true;
        if (errno == EAGAIN) return false;
        // EINTR: another signal interrupted the wait; go on waiting.
    }
}

} // namespace

void blockStopSignals() {
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int runHeadless(const std::string& folder, LocalTimeSource& localTime) {
    ConsoleLog console;
    ClockProgram program({localTime, console, console, console});
    program.scheduler().setSignalObserver(&console);
    program.loadSettings();
    console.printLine(settingsSummary(program.settings()) + "; folder " + folder);
    if (const std::string problem = program.soundDeviceProblem(); !problem.empty()) {
        std::cerr << "chimora: no sound: " << problem << std::endl;
    }
    const std::chrono::milliseconds period{TIMER_PERIOD_MS};
    for (auto next = Clock::now();;) {
        program.scheduler().onTimerTick();
        console.showClock(program.scheduler().displayText());
        // After a stall (a long song load) the ticks go on from now rather than catch up.
        next = std::max(next + period, Clock::now());
        if (stopSignalBefore(next)) break;
    }
    console.clearClock();
    program.scheduler().setSignalObserver(nullptr);
    return 0;
}

} // namespace chimora
