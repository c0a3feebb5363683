// Render thread priority on Windows. std::thread runs on winpthreads here, which hands out the
// thread's Windows handle.
#include "thread_priority.h"

#include <pthread.h>
#include <windows.h>

namespace chimora {

namespace {

HANDLE windowsHandleOf(std::thread& thread) {
    return static_cast<HANDLE>(pthread_gethandle(thread.native_handle()));
}

} // namespace

void setThreadPriorityNormal(std::thread& thread) {
    SetThreadPriority(windowsHandleOf(thread), THREAD_PRIORITY_NORMAL);
}

void setThreadPriorityTimeCritical(std::thread& thread) {
    SetThreadPriority(windowsHandleOf(thread), THREAD_PRIORITY_TIME_CRITICAL);
}

} // namespace chimora
