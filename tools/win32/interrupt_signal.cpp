// Ctrl-C and SIGTERM on Windows: the C runtime's signal(), whose handler runs on a thread of its
// own and only stores the signal's number.
#include "interrupt_signal.h"

#include <csignal>

namespace chimora {

namespace {

volatile std::sig_atomic_t noted = 0;

void noteSignal(int signal) {
    noted = signal;
    std::signal(signal, noteSignal); // the runtime resets the handler before calling it
}

} // namespace

void noteInterruptSignals() {
    noted = 0;
    std::signal(SIGINT, noteSignal);
    std::signal(SIGTERM, noteSignal);
}

int interruptSignal() { return noted; }

int interruptExitCode() { return 128 + noted; }

} // namespace chimora
