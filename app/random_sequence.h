// The program's pseudo-random numbers: a 32-bit linear congruential generator that starts at
// state 1 and is never seeded, so a pick depends only on how many numbers were drawn before.
#pragma once

#include <cstdint>

namespace chimora {

class RandomSequence {
public:
    // state = state * 214013 + 2531011 (modulo 2^32); returns bits 16..30 of it, 0..32767.
    int nextRandom() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_ = 1;
};

} // namespace chimora
