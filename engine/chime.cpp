// The chime start sequence.
#include "chime.h"

namespace chimora {
namespace {

constexpr ChimeVoice QUARTER_CHIME[] = {{0, CHIME_QUARTER}};
constexpr ChimeVoice HALF_CHIME[] = {{0, CHIME_HALF_A}, {1, CHIME_HALF_B}};
constexpr ChimeVoice HOUR_CHIME[] = {{0, CHIME_HOUR_A}, {1, CHIME_HOUR_B}};

} // namespace

std::optional<ChimeName> chimeNamed(std::string_view name) {
    if (name == "quarter") return ChimeName::quarter;
    if (name == "half") return ChimeName::half;
    if (name == "hour") return ChimeName::hour;
    return std::nullopt;
}

std::span<const ChimeVoice> chimeVoices(ChimeName chime) {
    switch (chime) {
    case ChimeName::quarter: return QUARTER_CHIME;
    case ChimeName::half: return HALF_CHIME;
    case ChimeName::hour: return HOUR_CHIME;
    }
    return {};
}

void startChime(Engine& engine, ChimeName chime) {
    const std::span<const ChimeVoice> voices = chimeVoices(chime);
    engine.setMasterGain(CHIME_MASTER_GAIN);
    engine.clearAllEvents();
    for (const ChimeVoice& voice : voices) {
        engine.stopChannel(voice.channel);
        engine.compileChannel(voice.channel, voice.text);
    }
    for (const ChimeVoice& voice : voices) engine.startChannel(voice.channel);
}

} // namespace chimora
