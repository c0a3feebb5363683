// Codes of the two-byte events [code, argument] that a channel's compiled tune is made of.
// Codes 0 (rest) and 1..232 (note number) carry a length in ticks; the rest are commands.
#pragma once

#include <cstdint>

namespace chimora {

constexpr std::uint8_t EV_REST = 0;
constexpr std::uint8_t EV_LAST_NOTE = 232;
// clang-format off
constexpr std::uint8_t EV_TRANSPOSE = 233;      // signed semitones
constexpr std::uint8_t EV_VOLUME_STEP = 234;    // 0 down, 1 up
constexpr std::uint8_t EV_FILTER = 235;         // coefficient (arg + 1) / 100
constexpr std::uint8_t EV_TEMPO_FRACTION = 236; // hundredths of a beat per minute
constexpr std::uint8_t EV_PAN = 237;            // 1 left, 8 centre, 15 right
constexpr std::uint8_t EV_VIBRATO_DELAY = 238;  // units of 882 samples
constexpr std::uint8_t EV_REPEAT_BREAK = 239;
constexpr std::uint8_t EV_REPEAT_END = 240;     // pass count
constexpr std::uint8_t EV_REPEAT_START = 241;
constexpr std::uint8_t EV_VIBRATO = 242;        // depth
constexpr std::uint8_t EV_SWEEP = 243;          // signed
constexpr std::uint8_t EV_INSTRUMENT = 244;     // high nibble family, low nibble variant
constexpr std::uint8_t EV_DETUNE = 245;         // signed cents
constexpr std::uint8_t EV_LOOP_POINT = 246;
constexpr std::uint8_t EV_TIE = 247;            // stands before the note it ties
constexpr std::uint8_t EV_GATE = 248;           // eighths of the step, 1..9
constexpr std::uint8_t EV_SUSTAIN = 249;
constexpr std::uint8_t EV_DECAY = 250;
constexpr std::uint8_t EV_ATTACK = 251;
constexpr std::uint8_t EV_VOLUME = 252;         // 0..15
constexpr std::uint8_t EV_TEMPO = 253;          // whole beats per minute
constexpr std::uint8_t EV_END = 254;            // the tune ends, the channel stops
constexpr std::uint8_t EV_STREAM_END = 255;     // terminator: loop or stop
// clang-format on

// Size of one channel's event buffer in bytes; event slots start at offsets 0..2040.
constexpr int EVENT_BUFFER_BYTES = 2048;
constexpr int LAST_EVENT_SLOT = 2040;

} // namespace chimora
