// The chime start sequence.
#include "chime.h"

namespace chimora {

void playChimeTexts(Engine& engine, std::span<const ChimeVoice> voices) {
    engine.setMasterGain(CHIME_MASTER_GAIN);
    engine.clearAllEvents();
    for (const ChimeVoice& voice : voices) engine.compileChannel(voice.channel, voice.text);
    for (const ChimeVoice& voice : voices) engine.startChannel(voice.channel);
}

} // namespace chimora
