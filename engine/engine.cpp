// Construction and destruction: the start-up and shut-down of the engine's fixed state.
#include "engine.h"

#include "block_voices.h"

namespace chimora {

Engine::Engine() : blockVoices(std::make_unique<BlockVoices>()) {
    allocateEventBuffers();
    // The records already hold their start-up values; channel 0 alone gets the envelope reset.
    resetEnvelope(0);
}

Engine::~Engine() { freeEventBuffers(); }

} // namespace chimora
