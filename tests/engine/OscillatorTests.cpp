#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/Oscillator.h"
#include "engine/PitchTables.h"
#include "engine/WaveMemory.h"

namespace qor {
namespace {

TEST(WaveMemoryTables, AddressTableFollowsTheBandRule)
{
    // Band 0 reads level 0 (even bytes) in quarter steps.
    EXPECT_EQ(addressTable[0][0], 0);
    EXPECT_EQ(addressTable[0][5], 16 * 1 + 2 * 1);
    // Band 1 (r = 1) reads level 1 from byte 1 in eighth steps.
    EXPECT_EQ(addressTable[1][0] >> 3, 1);
    EXPECT_EQ(addressTable[1][9], 8 + 32 + 1);
    // Bands 2..5 by bit length of r, 16..63 all band 5.
    EXPECT_EQ(addressTable[3][0], 24);
    EXPECT_EQ(addressTable[7][0], 56);
    EXPECT_EQ(addressTable[15][63], 120 + 7);
    EXPECT_EQ(addressTable[63][63], 248 + 7);
    EXPECT_EQ(addressTable[16][8], addressTable[63][8]);
    // Every entry addresses the level its band stands for.
    for (int r = 0; r < 64; ++r)
        for (int j = 0; j < 64; ++j) ASSERT_LT(addressTable[r][j] >> 3, 32);
}

TEST(WaveMemoryTables, InterpolationTableRoundsHalfAwayFromZero)
{
    for (int d = 0; d < 256; ++d) EXPECT_EQ(interpTable[0][d], 0);
    EXPECT_EQ(interpTable[1][0x80], 0xF0);  // -128 / 8 = -16
    EXPECT_EQ(interpTable[4][1], 1);        // 0.5 rounds up
    EXPECT_EQ(interpTable[4][0xFF], 0xFF);  // -0.5 rounds to -1
    EXPECT_EQ(interpTable[7][127], static_cast<uint8_t>(111));  // 7 * 127 / 8 = 111.125
    EXPECT_EQ(interpTable[3][0xFB], static_cast<uint8_t>(-2));  // -15/8 = -1.875
}

TEST(WaveMemoryTables, UserWaveNamesFollowTheCurrentMemory)
{
    EXPECT_EQ(userWaveName(32, false), "USER WAVE (INTERNAL)");
    EXPECT_EQ(userWaveName(34, false), "USER WAVE (CARTRIDGE)");
    EXPECT_EQ(userWaveName(32, true), "USER WAVE (CARTRIDGE)");
    EXPECT_EQ(userWaveName(34, true), "USER WAVE (INTERNAL)");
    EXPECT_EQ(waveNames[30], "SAWTOOTH");
}

// A user wave with a constant sample byte and zero slope reads that byte.
std::array<uint8_t, kUserWaveBytes> constantWave(uint8_t value)
{
    std::array<uint8_t, kUserWaveBytes> w{};
    std::fill(w.begin(), w.begin() + 1024, value);
    return w;
}

TEST(Oscillator, ClockRatioAndHeldOutput)
{
    Oscillator osc;
    EXPECT_DOUBLE_EQ(osc.clockRatio, 0.9448223733938019);
    EXPECT_DOUBLE_EQ(osc.clock, 1.0);
    EXPECT_EQ(osc.enabled, 0);
    EXPECT_EQ(osc.next(), 0.0);  // wave 0: exactly silent

    osc.reset(96000.0);
    EXPECT_NEAR(osc.clockRatio, 0.434, 0.0005);

    auto wave = constantWave(192);
    osc.userBuffers = {wave.data(), wave.data()};
    osc.setWave(32, false);
    osc.increment = 1000;
    // 96 kHz: a tick every 2.3 samples; between ticks the output holds.
    int changes = 0;
    double last = osc.next();
    for (int i = 0; i < 960; ++i) {
        const double v = osc.next();
        if (v != last) ++changes;
        last = v;
    }
    EXPECT_EQ(last, 0.5);  // (192 - 128) / 128
    EXPECT_LE(changes, 1);
}

TEST(Oscillator, TicksAtTheHardwareRateWhateverTheHostRate)
{
    // With an increment of 1 the phase counts hardware ticks. The hardware only
    // ran at 44.1 kHz and above; we keep the clock running below that too.
    for (double rate : {22050.0, 32000.0, 44100.0, 48000.0, 96000.0}) {
        Oscillator osc;
        osc.reset(rate);
        auto wave = constantWave(128);
        osc.userBuffers = {wave.data(), nullptr};
        osc.setWave(32, false);
        osc.increment = 1;
        for (int i = 0; i < static_cast<int>(rate); ++i) osc.next();
        EXPECT_NEAR(static_cast<double>(osc.phase), kHardwareClock, 1.0) << rate;
    }
}

TEST(Oscillator, UserWavesFollowTheMemoryAndFallBackToTheFixedMemory)
{
    auto internal = constantWave(160);
    auto cartridge = constantWave(96);
    Oscillator osc;
    osc.userBuffers = {internal.data(), cartridge.data()};
    osc.increment = 1 << 16;

    osc.setWave(32, false);
    EXPECT_EQ(osc.waveBase, 0);
    osc.setWave(32, true);
    EXPECT_EQ(osc.waveBase, 1);
    osc.setWave(34, false);
    EXPECT_EQ(osc.waveBase, 1);
    for (int i = 0; i < 4; ++i) osc.next();
    EXPECT_EQ(osc.output, (96 - 128) / 128.0);

    // A missing buffer reads the fixed memory at waveBase + a instead.
    osc.userBuffers = {nullptr, nullptr};
    osc.setWave(32, false);
    osc.phase = 0;
    osc.clock = 1.0;
    osc.next();
    const uint32_t a = ((osc.phase >> 16) & 0xF8) * 4 + (addressTable[1][(((osc.phase >> 16) & 7) << 3) | ((osc.phase >> 16) >> 5)] >> 3);
    const uint32_t f = addressTable[1][(((osc.phase >> 16) & 7) << 3) | ((osc.phase >> 16) >> 5)] & 7;
    EXPECT_EQ(osc.output, (((waveRom[a] + interpTable[f][slopeRom[a]]) & 0xFF) - 128) / 128.0);

    osc.setWave(0, false);
    EXPECT_EQ(osc.enabled, 0);
    osc.setWave(30, false);
    EXPECT_EQ(osc.waveBase, 30 * 1024);
}

}  // namespace
}  // namespace qor
