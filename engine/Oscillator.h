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

private:
    // The wave byte at the phase, interpolated from the slope memory.
    double readWave() const
    {
        const uint32_t h = (phase >> 16) & 0xFF;
        const uint32_t r = (increment >> 16) & 63;
        const uint32_t j = ((h & 7) << 3) | (h >> 5);
        const uint32_t e = addressTable[r][j];
        const uint32_t a = (h & 0xF8) * 4 + (e >> 3);
        const uint32_t f = e & 7;

        uint32_t s;
        uint32_t d;
        const uint8_t* user = userWave ? userBuffers[waveBase & 1] : nullptr;
        if (user && waveBase <= 1) {
            s = user[a];
            d = user[a + 1024];
        } else {
            // A user wave whose buffer is missing reads the fixed memory at waveBase + a.
            const uint32_t address = (waveBase + a) & 0xFFFF;
            s = waveRom[address & (kWaveMemoryBytes - 1)];
            d = slopeRom[address & (kWaveMemoryBytes - 1)];
        }
        return static_cast<double>(static_cast<int>((s + interpTable[f][d]) & 0xFF) - 128) / 128.0;
    }
};

}  // namespace qor
