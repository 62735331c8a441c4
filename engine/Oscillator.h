// One wave-memory oscillator, emulating the sample-address hardware: a 24-bit
// phase accumulator stepped on a 41666.67 Hz hardware clock (not the host's
// rate), reading bytes of a multi-resolution wave chosen by the increment, with
// an 8-step linear interpolation from the slope memory. The output is a
// staircase at the hardware clock, held between ticks.
#pragma once

#include <array>
#include <cstdint>

#include "engine/PitchTables.h"
#include "engine/WaveMemory.h"

namespace qor {

constexpr int kUserWaveBytes = 2048;  // 1024 sample bytes, then 1024 slope bytes
// The fixed memory is addressed with 16 bits, folded onto its 32 KiB.
constexpr uint32_t kFixedMemoryMask = 0xFFFFu & (kWaveMemoryBytes - 1);

struct Oscillator {
    uint16_t waveBase = 31 * 1024;  // wave * 1024 for the fixed memory; user-wave index 0/1 for user waves
    uint8_t enabled = 0;
    uint8_t userWave = 0;
    std::array<const uint8_t*, 2> userBuffers{};  // the engine's two user-wave buffers
    uint32_t phase = 0;      // 24 bits; the top byte stays 0
    uint32_t increment = 0;  // phase step per hardware tick
    double output = 0.0;
    double sampleRate = 0.0;
    double clock = 0.0;       // fractional hardware-clock accumulator
    double clockRatio = 0.0;  // hardware ticks per host sample

    Oscillator() { reset(44100.0); }

    // Wave 0 switches the oscillator off; 32 and 34 pick the user wave of the
    // current program's memory or of the other one.
    void setWave(int wave, bool currentIsCartridge);

    void reset(double newSampleRate);

    // Stepped in lanes, to the bit, by VoiceLanes.cpp as well: change both together.
    double next()
    {
        if (!enabled) return 0.0;
        clock += clockRatio;
        if (clock > 1.0) {
            // At host rates of 41.7 kHz and above at most one tick falls in a
            // sample; below it several do, and only the last one is heard.
            const double ticks = static_cast<double>(static_cast<int64_t>(clock));
            clock -= ticks;
            phase = (phase + increment * static_cast<uint32_t>(ticks)) & 0xFFFFFFu;
            output = readWave();
        }
        return output;
    }

    // The wave byte at phase position h (bits 16..23 of the phase) for
    // increment band r, interpolated from the slope memory, as -128..127. The
    // sample and slope bytes are read at (base + a) & mask. The voice lanes
    // read the same values from the WaveTables, which are built with it.
    static int wavePoint(const uint8_t* samples, const uint8_t* slopes, uint32_t base, uint32_t mask, uint32_t h,
                         uint32_t r)
    {
        const uint32_t j = ((h & 7) << 3) | (h >> 5);
        const uint32_t e = addressTable[r][j];
        const uint32_t a = (h & 0xF8) * 4 + (e >> 3);
        const uint32_t f = e & 7;
        const uint32_t address = (base + a) & mask;
        return static_cast<int>((samples[address] + interpTable[f][slopes[address]]) & 0xFF) - 128;
    }

private:
    // The wave at the phase.
    double readWave() const
    {
        const uint32_t h = (phase >> 16) & 0xFF;
        const uint32_t r = (increment >> 16) & 63;
        const uint8_t* user = userWave ? userBuffers[waveBase & 1] : nullptr;
        // A user wave whose buffer is missing reads the fixed memory at waveBase + a.
        const int v = user && waveBase <= 1 ? wavePoint(user, user + 1024, 0, ~0u, h, r)
                                            : wavePoint(waveRom.data(), slopeRom.data(), waveBase, kFixedMemoryMask, h, r);
        return static_cast<double>(v) / 128.0;
    }
};

}  // namespace qor
