// The instrument's white-noise source: a multiplicative congruential generator
// (state * 16807 in wrapping 32-bit arithmetic, seed 1), scaled to about -1..1.
// The voices share one; the LFO has its own.
#pragma once

#include <cstdint>

namespace qor {

struct NoiseGenerator {
    int32_t state = 1;

    double next()
    {
        state = static_cast<int32_t>(static_cast<uint32_t>(state) * 16807u);
        return state * 4.6566129e-10;
    }

    // Advances the generator by `steps` draws at once: the state is
    // multiplied by 16807^steps, in the same wrapping arithmetic.
    void skip(uint64_t steps)
    {
        uint32_t factor = 1u;
        uint32_t base = 16807u;
        for (; steps; steps >>= 1) {
            if (steps & 1u) factor *= base;
            base *= base;
        }
        state = static_cast<int32_t>(static_cast<uint32_t>(state) * factor);
    }
};

}  // namespace qor
