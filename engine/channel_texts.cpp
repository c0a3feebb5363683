// The eight per-channel MML texts that a song load fills, compiles and releases.
#include "engine.h"

namespace chimora {

void Engine::makeChannelTextEmpty(int channel) {
    if (!isChannelNumber(channel)) return;
    releaseChannelText(channel);
    channelText[channel] = std::string();
    channels[channel].textOwned = 1;
}

void Engine::makeAllTextsEmpty() {
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) makeChannelTextEmpty(channel);
}

void Engine::appendChannelText(int channel, const char* piece) {
    if (!isChannelNumber(channel)) return;
    // A released text is never read again: appending starts a new one.
    if (!channels[channel].textOwned) makeChannelTextEmpty(channel);
    channelText[channel] += piece;
}

void Engine::releaseChannelText(int channel) {
    if (!isChannelNumber(channel) || !channels[channel].textOwned) return;
    std::string().swap(channelText[channel]); // gives the storage back, not just the length
    channels[channel].textOwned = 0;
}

void Engine::releaseAllTexts() {
    for (int channel = CHANNEL_COUNT - 1; channel >= 0; --channel) releaseChannelText(channel);
}

} // namespace chimora
