// The event a wave device signals when it has opened and each time it hands a block back.
// Auto-reset: a wait that succeeds clears it, and several signals before one wait count once.
#pragma once

#include <chrono>
#include <memory>

namespace chimora {

class BlockEvent {
public:
    // Creates the event, not signalled.
    BlockEvent();
    ~BlockEvent();
    BlockEvent(const BlockEvent&) = delete;
    BlockEvent& operator=(const BlockEvent&) = delete;

    // Sets the event, waking one waiter. Any thread, including a device's own.
    void signal();
    // Takes back a signal nobody has waited for yet. Any thread.
    void clear();
    // Waits up to `timeout` for the event; true when it was signalled (and is now cleared),
    // false on time-out. Allocates nothing; the render thread calls it once per block.
    bool waitFor(std::chrono::milliseconds timeout);
    // The platform object a device can signal by itself (a Windows event handle), or null
    // where the device signals through signal().
    void* nativeHandle();

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace chimora
