// The bits the shared noise register shifts out, worked out ahead for a run of steps. Bit i of
// the stream is bit i of the register for i < 15; after n steps the register holds stream bits
// n..n+14, and the bit the n-th step returned is stream bit n+14. A register of 15 bits with
// taps 0 and t follows x^15 + x^t + 1, so the stream also follows that polynomial's eighth
// power, x^120 + x^(8t) + 1: every bit is the XOR of the bits 120 and 120 - 8t places back,
// and a whole 64-bit word follows from the two words before it. Internal to the engine; render
// thread only.
#pragma once

#include <cstdint>

namespace chimora {

class NoiseStream {
public:
    // Enough for a block at the fastest noise clock: 1500 frames of at most 11 steps.
    static constexpr int MAX_STEPS = 1500 * 11;

    // From a 15-bit register (bit 15 clear) with the tap at bit 1 (long) or 6 (short), for up
    // to `steps` (at most MAX_STEPS) steps.
    NoiseStream(std::uint16_t start, int tap, int steps) {
        const int words = (steps + 15 + 63) / 64 + 1;
        words_[0] = start;
        words_[1] = 0;
        // The first two words step by step, a batch of 15 - tap bits at a time: none of them
        // reads a bit that enters in the same batch.
        const int batch = 15 - tap;
        unsigned value = start;
        for (int known = 15; known < 128; known += batch) {
            const unsigned bits = (value ^ (value >> tap)) & ((1u << batch) - 1u);
            value = (value >> batch) | (bits << (15 - batch));
            put(known, bits, batch);
        }
        const int far = 8 + 8 * tap;
        for (int word = 2; word < words; ++word) {
            const std::uint64_t low = words_[word - 2];
            const std::uint64_t high = words_[word - 1];
            words_[word] = ((low >> 8) | (high << 56)) ^ ((low >> far) | (high << (64 - far)));
        }
    }

    // The bit the step that left the register at `steps` steps returned (steps >= 1).
    unsigned lastBit(int steps) const {
        const int index = steps + 14;
        return static_cast<unsigned>(words_[index >> 6] >> (index & 63)) & 1u;
    }

    // The register after `steps` steps.
    std::uint16_t registerAfter(int steps) const {
        const int word = steps >> 6;
        const int offset = steps & 63;
        std::uint64_t bits = words_[word] >> offset;
        if (offset > 64 - 15) bits |= words_[word + 1] << (64 - offset);
        return static_cast<std::uint16_t>(bits & 0x7FFFu);
    }

private:
    // Writes `count` (at most 15) bits at stream position `at` (below 128).
    void put(int at, unsigned bits, int count) {
        const int word = at >> 6;
        const int offset = at & 63;
        const std::uint64_t mask = (std::uint64_t{1} << count) - 1u;
        const std::uint64_t value = bits & mask;
        words_[word] |= value << offset;
        if (offset + count > 64 && word + 1 < 2) words_[word + 1] |= value >> (64 - offset);
    }

    std::uint64_t words_[(MAX_STEPS + 15 + 63) / 64 + 2];
};

} // namespace chimora
