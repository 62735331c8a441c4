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

}  // namespace qor
