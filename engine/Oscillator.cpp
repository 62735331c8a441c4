#include "engine/Oscillator.h"

#include "engine/PitchTables.h"
#include "engine/WaveMemory.h"

namespace qor {

void Oscillator::setWave(int wave, bool currentIsCartridge)
{
    enabled = 1;
    userWave = 0;
    if (wave == kWaveOff) {
        enabled = 0;
    } else if (wave == kWaveUserOwn || wave == kWaveUserOther) {
        userWave = 1;
        const bool cartridge = (wave == kWaveUserOwn) == currentIsCartridge;
        waveBase = cartridge ? 1 : 0;
    } else {
        waveBase = static_cast<uint16_t>((wave & 31) * kWaveSlotBytes);
    }
}

void Oscillator::reset(double newSampleRate)
{
    if (newSampleRate == sampleRate) return;
    phase = increment = 0;
    output = 0.0;
    sampleRate = newSampleRate;
    // The hardware's rule only ran the clock at 44.1 kHz and above; below that
    // the oscillators fell silent. We keep the clock running at every rate and
    // take several ticks per sample where needed.
    if (sampleRate > 0.0) {
        clock = 1.0;
        clockRatio = kHardwareClock / sampleRate;
    } else {
        clock = clockRatio = 0.0;
    }
}

double Oscillator::readWave() const
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

}  // namespace qor
