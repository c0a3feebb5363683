// The block event on platforms whose devices signal it through a function call: a flag under
// a mutex with a condition variable.
#include "block_event.h"

#include <condition_variable>
#include <mutex>

namespace chimora {

struct BlockEvent::State {
    std::mutex mutex;
    std::condition_variable signalled;
    bool isSet = false;
};

BlockEvent::BlockEvent() : state(std::make_unique<State>()) {}

BlockEvent::~BlockEvent() = default;

void BlockEvent::signal() {
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->isSet = true;
    }
    state->signalled.notify_one();
}

void BlockEvent::clear() {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->isSet = false;
}

bool BlockEvent::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->signalled.wait_for(lock, timeout, [this] { return state->isSet; })) return false;
    state->isSet = false;
    return true;
}

void* BlockEvent::nativeHandle() { return nullptr; }

} // namespace chimora
