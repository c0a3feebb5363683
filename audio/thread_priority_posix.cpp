// Render thread priority on Linux: real-time FIFO scheduling when the process may use it
// (root, CAP_SYS_NICE or an rtprio limit), otherwise the thread stays where it is.
#include "thread_priority.h"

#include <pthread.h>
#include <sched.h>

namespace chimora {

namespace {

// Low among real-time levels: above every ordinary thread, below the sound server's own
// real-time threads (PipeWire and PulseAudio run theirs far higher), which must preempt us.
constexpr int RENDER_REALTIME_PRIORITY = 10;

} // namespace

void setThreadPriorityNormal(std::thread& thread) {
    sched_param parameters{};
    parameters.sched_priority = 0;
    pthread_setschedparam(thread.native_handle(), SCHED_OTHER, &parameters);
}

void setThreadPriorityTimeCritical(std::thread& thread) {
    sched_param parameters{};
    parameters.sched_priority = RENDER_REALTIME_PRIORITY;
    // EPERM where real-time scheduling is not allowed: normal priority is good enough then.
    pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &parameters);
}

} // namespace chimora
