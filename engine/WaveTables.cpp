#include "engine/WaveTables.h"

#include <cstring>

namespace qor {

WaveTables::WaveTables() : values(tableIndex(kSources, 0), 0)
{
    for (int slot = 0; slot < kWaveSlots; ++slot)
        build(slot, waveRom.data(), slopeRom.data(), static_cast<uint32_t>(slot * kWaveSlotBytes),
              kFixedMemoryMask);
}

void WaveTables::attachUserWaves(const uint8_t* internal, const uint8_t* cartridge)
{
    userBuffers = {internal, cartridge};
    for (size_t m = 0; m < 2; ++m) {
        if (!userBuffers[m]) continue;
        std::memcpy(builtFrom[m].data(), userBuffers[m], kUserWaveBytes);
        build(kWaveSlots + static_cast<int>(m), builtFrom[m].data(), builtFrom[m].data() + 1024, 0, ~0u);
    }
}

void WaveTables::refresh()
{
    for (size_t m = 0; m < 2; ++m) {
        const uint8_t* bytes = userBuffers[m];
        if (!bytes || std::memcmp(builtFrom[m].data(), bytes, kUserWaveBytes) == 0) continue;
        std::memcpy(builtFrom[m].data(), bytes, kUserWaveBytes);
        build(kWaveSlots + static_cast<int>(m), builtFrom[m].data(), builtFrom[m].data() + 1024, 0, ~0u);
    }
}

const int8_t* WaveTables::lookUp(const Oscillator& o) const
{
    const int band = bandOf(o.increment >> 16);
    if (!o.userWave) {
        if (o.waveBase % kWaveSlotBytes != 0) return nullptr;  // not a slot of the fixed memory
        return values.data() + tableIndex(o.waveBase / kWaveSlotBytes % kWaveSlots, band);
    }
    const uint8_t* buffer = o.userBuffers[o.waveBase & 1];
    if (!buffer || o.waveBase > 1) return nullptr;
    for (int m = 0; m < 2; ++m)
        if (buffer == userBuffers[static_cast<size_t>(m)]) return values.data() + tableIndex(kWaveSlots + m, band);
    return nullptr;
}

void WaveTables::build(int source, const uint8_t* samples, const uint8_t* slopes, uint32_t base, uint32_t mask)
{
    for (int band = 0; band < kBands; ++band) {
        // The lowest increment band r of the band: its address row is the band's.
        const uint32_t r = band == 0 ? 0u : 1u << (band - 1);
        int8_t* out = values.data() + tableIndex(source, band);
        for (uint32_t h = 0; h < kPositions; ++h)
            out[h] = static_cast<int8_t>(Oscillator::wavePoint(samples, slopes, base, mask, h, r));
    }
}

}  // namespace qor
