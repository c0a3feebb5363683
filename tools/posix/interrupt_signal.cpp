// The handler only stores the signal's number, the one thing a handler may safely do.
#include "interrupt_signal.h"

#include <csignal>
#include <initializer_list>

namespace chimora {

namespace {

volatile std::sig_atomic_t noted = 0;

void noteSignal(int signal) { noted = signal; }

} // namespace

void noteInterruptSignals() {
    noted = 0;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int interruptSignal() { return noted; }

int interruptExitCode() { return 128 + noted; }

} // namespace chimora
