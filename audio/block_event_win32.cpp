// The block event on Windows: an unnamed auto-reset event that winmm signals by itself
// (CALLBACK_EVENT).
#include "block_event.h"

#include <windows.h>

namespace chimora {

struct BlockEvent::State {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

BlockEvent::BlockEvent() : state(std::make_unique<State>()) {}

BlockEvent::~BlockEvent() { CloseHandle(state->event); }

void BlockEvent::signal() { SetEvent(state->event); }

void BlockEvent::clear() { ResetEvent(state->event); }

bool BlockEvent::waitFor(std::chrono::milliseconds timeout) {
    return WaitForSingleObject(state->event, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void* BlockEvent::nativeHandle() { return state->event; }

} // namespace chimora
