// Constant tables of the voice generator, each indexed 0..15 by a channel field.
#pragma once

namespace chimora {

constexpr int VOICE_TABLE_SIZE = 16;

// volumeGains[v] = 2^((v - 15) / 2) to six decimals: 3 dB a step, 15 is full level, 0 silent.
// panGains[m] = cos((m - 1) * pi / 28) to six decimals, entry 0 = 1.0; the left side reads
// index pan, the right side index 16 - pan. noiseRates[i] = 1789772.5 / divider to six
// decimals, the dividers 4, 8, 16, 32, 64, 96, 128, 160, 202, 254, 380, 508, 762, 1016, 2034,
// 4068 being the noise periods of a classic console sound chip at its NTSC clock; in register
// steps per second.
// clang-format off
constexpr double volumeGains[VOICE_TABLE_SIZE] = {
    0.0,      0.007813, 0.011049, 0.015625, 0.022097, 0.03125,  0.044194, 0.0625,
    0.088388, 0.125,    0.176777, 0.25,     0.353553, 0.5,      0.707107, 1.0,
};
// clang-format on

constexpr double panGains[VOICE_TABLE_SIZE] = {
    1.0,      1.0,     0.993712, 0.974928, 0.943883, 0.900969, 0.846724, 0.781831,
    0.707107, 0.62349, 0.532032, 0.433884, 0.330279, 0.222521, 0.111964, 0.0,
};

// clang-format off
constexpr double noiseRates[VOICE_TABLE_SIZE] = {
    447443.125,    223721.5625,   111860.78125,  55930.390625,
    27965.195313,  18643.463542,  13982.597656,  11186.078125,
    8860.259901,   7046.348425,   4709.927632,   3523.174213,
    2348.782808,   1761.587106,   879.927483,    439.963741,
};
// clang-format on

// Index of a volume or pan field into the tables above: a hand-made stream may hold any byte,
// and anything above 15 reads the last entry.
constexpr int voiceTableIndex(unsigned value) {
    return value < VOICE_TABLE_SIZE ? static_cast<int>(value) : VOICE_TABLE_SIZE - 1;
}

} // namespace chimora
