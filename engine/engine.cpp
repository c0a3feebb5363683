// Construction and destruction: the start-up and shut-down of the engine's fixed state.
#include "engine.h"

#include <cstring>

namespace chimora {

Engine::Engine() {
    allocateEventBuffers();
    // The records already hold their start-up values; channel 0 alone gets the envelope reset.
    resetEnvelope(0);
    std::memset(mixScratch, 0, sizeof mixScratch);
}

Engine::~Engine() { freeEventBuffers(); }

} // namespace chimora
