// Ctrl-C, SIGTERM and SIGHUP (where there is one) while the renderer writes or plays: the signal is
// only noted, and the render or play loop, which looks at it between blocks, ends the normal way,
// so that a partial output file is removed as after any other failure.
#pragma once

namespace chimora {

// From now on the three signals are noted instead of ending the process. A system call they
// interrupt returns early (EINTR) rather than being restarted, so no wait outlasts them.
void noteInterruptSignals();

// The signal noted since noteInterruptSignals(), or 0.
int interruptSignal();

// The shell's exit code for a program ended by the noted signal: 128 + its number (130 for
// Ctrl-C, 143 for SIGTERM).
int interruptExitCode();

} // namespace chimora
