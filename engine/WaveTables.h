// What the oscillators hear at each of the 256 positions of the phase's top
// byte: for every wave of the fixed memory and both user waves, and for each
// of the six resolution bands the address hardware picks by the increment,
// the sample byte plus its interpolated slope, as a signed value -128..127
// (the oscillator's output times 128). The voice lanes read a wave with one
// lookup instead of four.
//
// The fixed memory's tables are built once. A user wave's are rebuilt when
// its bytes differ from those they were built from, so writes through
// Engine::UserWave() need no notice.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/Oscillator.h"

namespace qor {

class WaveTables {
public:
    static constexpr int kBands = 6;
    static constexpr int kPositions = 256;

    // Builds the fixed memory's tables; the user waves' read as silence until
    // the first refresh. Not on the audio thread.
    WaveTables();

    // The engine's two user-wave buffers (1024 sample bytes, then 1024 slope
    // bytes). Not on the audio thread.
    void attachUserWaves(const uint8_t* internal, const uint8_t* cartridge);

    // Audio thread: brings the user waves' tables up to date with their
    // buffers. Compares 4 KiB; rebuilds only what changed.
    void refresh();

    // The band of increment band r (bits 16..21 of the phase increment): the
    // bit length of r, at most 5.
    static constexpr int bandOf(uint32_t r)
    {
        const int b = std::bit_width(r & 63u);
        return b > kBands - 1 ? kBands - 1 : b;
    }

    // The 256 values the oscillator reads at its wave and increment, or
    // nullptr for a user wave whose buffer is not one of the attached ones.
    const int8_t* lookUp(const Oscillator& o) const;

private:
    static constexpr int kSources = kWaveSlots + 2;  // the slots, then the two user waves
    static constexpr size_t tableIndex(int source, int band)
    {
        return (static_cast<size_t>(source) * kBands + static_cast<size_t>(band)) * kPositions;
    }
    void build(int source, const uint8_t* samples, const uint8_t* slopes, uint32_t base, uint32_t mask);

    std::vector<int8_t> values;
    std::array<const uint8_t*, 2> userBuffers{};
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> builtFrom{};
};

}  // namespace qor
