// Note number to frequency: the equal-tempered table and the interpolation by cents.
#include "engine.h"
#include "note_frequency_table.h"

namespace chimora {

double Engine::noteFrequency(std::uint8_t note, std::int16_t cents) {
    const int clampedNote = note > 100 ? 100 : note;
    const int k = 100 * clampedNote + cents + 10000;
    int index = static_cast<std::uint8_t>(k / 100 - 100); // -1 wraps to 255, and so on
    if (index > 108) index = 108;
    const int r = k % 100;
    const double* table = noteFrequencyTable;
    return table[index + 1] - (table[index + 1] - table[index]) * (100 - r) * 0.01;
}

} // namespace chimora
