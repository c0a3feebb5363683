// The render thread's two priority levels, set from outside the thread. Where the platform
// does not permit the higher level, the thread silently keeps the priority it has.
#pragma once

#include <thread>

namespace chimora {

// Ordinary scheduling, as every other thread of the program has.
void setThreadPriorityNormal(std::thread& thread);
// The platform's level for audio that must never be late (time-critical, or real-time).
void setThreadPriorityTimeCritical(std::thread& thread);

} // namespace chimora
