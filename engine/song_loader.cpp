// A song file's bytes split into channel texts, compiled and started on all eight channels.
#include "engine.h"

#include <algorithm>
#include <cstring>

namespace chimora {

namespace {

constexpr std::uint8_t CARRIAGE_RETURN = 13;
constexpr std::size_t TEXT_PIECE_BYTES = 128;

bool isChannelDigit(std::uint8_t byte) { return byte >= '0' && byte < '0' + CHANNEL_COUNT; }

// Appends a line's text in pieces of 128 bytes; each piece ends early at a NUL byte.
void appendLineText(Engine& engine, int channel, const std::uint8_t* text,
                    std::size_t lengthBytes) {
    char piece[TEXT_PIECE_BYTES + 1];
    for (std::size_t offset = 0; offset < lengthBytes; offset += TEXT_PIECE_BYTES) {
        const std::size_t pieceBytes = std::min(TEXT_PIECE_BYTES, lengthBytes - offset);
        std::memcpy(piece, text + offset, pieceBytes);
        piece[pieceBytes] = '\0';
        engine.appendChannelText(channel, piece);
    }
}

} // namespace

void Engine::compileAndStartAll() {
    if (countActiveChannels() != 0) return;
    clearAllEvents();
    for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
        compileChannel(channel, channelText[channel].c_str());
    }
    startAllChannels();
}

void Engine::loadSong(const std::uint8_t* data, std::size_t length) {
    stopAllChannels();
    makeAllTextsEmpty();
    // A line runs up to a CR; the byte after the CR is skipped too, whatever it is.
    std::size_t lineStart = 0;
    while (lineStart < length) {
        const void* found = std::memchr(data + lineStart, CARRIAGE_RETURN, length - lineStart);
        const std::size_t lineEnd =
            found ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - data)
                  : length;
        const std::uint8_t first = data[lineStart];
        if (isChannelDigit(first)) {
            appendLineText(*this, first - '0', data + lineStart + 1, lineEnd - lineStart - 1);
        }
        if (lineEnd >= length) break;
        lineStart = lineEnd + 2;
    }
    compileAndStartAll();
    releaseAllTexts();
}

} // namespace chimora
