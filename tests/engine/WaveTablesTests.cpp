// The voice lanes read the waves from WaveTables instead of the wave memory:
// every entry must be what the oscillator itself reads, for every wave, band
// and phase position, and the user waves' entries must follow their bytes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "engine/Oscillator.h"
#include "engine/WaveTables.h"

namespace qor {
namespace {

using UserWave = std::array<uint8_t, kUserWaveBytes>;

// Every wave number an oscillator plays from memory, and an increment in each
// band (bits 16..21 of the increment give the band r; 63 is the top of band 5).
constexpr std::array<uint32_t, 7> kIncrements = {0x00F123, 0x01ABCD, 0x02F00F, 0x05A5A5, 0x0B0B0B, 0x1F1F1F, 0x3FFFFF};

// Each entry of the oscillator's table against the oscillator's own output
// after a tick onto that phase position; the first mismatch as text.
std::string compare(const WaveTables& tables, Oscillator& osc)
{
    const int8_t* table = tables.lookUp(osc);
    if (!table) return "no table";
    for (uint32_t h = 0; h < WaveTables::kPositions; ++h) {
        osc.phase = ((h << 16) - osc.increment) & 0xFFFFFFu;
        osc.clock = 1.0;
        const double heard = osc.next();
        if (heard * 128.0 != table[h])
            return "position " + std::to_string(h) + ": table " + std::to_string(table[h]) + ", oscillator " +
                   std::to_string(heard * 128.0);
    }
    return "";
}

TEST(WaveTables, HoldWhatTheOscillatorReadsForEveryWaveBandAndPosition)
{
    UserWave internal{}, cartridge{};
    for (size_t i = 0; i < internal.size(); ++i) {
        internal[i] = static_cast<uint8_t>(i * 7 + (i >> 5));
        cartridge[i] = static_cast<uint8_t>(255 - i * 13);
    }
    WaveTables tables;
    tables.attachUserWaves(internal.data(), cartridge.data());
    Oscillator osc;
    osc.userBuffers = {internal.data(), cartridge.data()};
    for (int wave = 1; wave <= kWaveUserOther; ++wave) {
        if (wave == kWaveNoise) continue;
        osc.setWave(wave, false);
        for (uint32_t increment : kIncrements) {
            osc.increment = increment;
            EXPECT_EQ(compare(tables, osc), "") << "wave " << wave << ", increment " << increment;
        }
    }
}

TEST(WaveTables, FollowTheUserWavesBytesAndRefuseForeignBuffers)
{
    UserWave internal{}, cartridge{};
    internal.fill(200);
    WaveTables tables;
    tables.attachUserWaves(internal.data(), cartridge.data());
    Oscillator osc;
    osc.userBuffers = {internal.data(), cartridge.data()};
    osc.setWave(kWaveUserOwn, false);
    osc.increment = kIncrements[1];
    ASSERT_EQ(compare(tables, osc), "");

    // Rewritten samples and slopes are heard after the next refresh.
    for (size_t i = 0; i < internal.size(); ++i) internal[i] = static_cast<uint8_t>(i * 31);
    tables.refresh();
    EXPECT_EQ(compare(tables, osc), "");

    // A buffer the tables were not given has no table: its voice is
    // rendered without them.
    UserWave other{};
    osc.userBuffers = {other.data(), other.data()};
    EXPECT_EQ(tables.lookUp(osc), nullptr);
    osc.userBuffers = {nullptr, nullptr};
    EXPECT_EQ(tables.lookUp(osc), nullptr);
}

}  // namespace
}  // namespace qor
