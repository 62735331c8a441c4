// The voices rendered in SIMD lanes (SSE2, and AVX2 and AVX-512 where the
// processor has them) must sound exactly as the voices rendered one at a
// time: every sample equal to the bit, over partial lane groups, noise, user
// waves (rewritten while they sound), self-oscillation, fast cutoff sweeps,
// resonance changes while sounding, every resolution band of the wave memory
// and rates with several oscillator ticks per sample.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "EngineTestUtil.h"
#include "engine/VoiceLanes.h"
#include "engine/WaveMemory.h"

namespace qor::test {
namespace {

struct Performance {
    const char* name;
    double rate;
    int notes;
    std::vector<std::pair<int, double>> params;
    int firstNote = 40;
};

// The kernel in use for the life of the object; the best one again afterwards.
class KernelScope {
public:
    explicit KernelScope(VoiceKernel kernel) { usable = SelectVoiceKernel(kernel); }
    ~KernelScope() { SelectVoiceKernel(BestVoiceKernel()); }
    KernelScope(const KernelScope&) = delete;
    KernelScope& operator=(const KernelScope&) = delete;
    bool usable = false;
};

void writeUserWaves(Engine& engine, int seed)
{
    for (int m = 0; m < 2; ++m) {
        uint8_t* wave = engine.UserWave(m);
        for (int i = 0; i < 2048; ++i) wave[i] = static_cast<uint8_t>((i * (m ? 29 : 11) + (i >> seed)) & 0xFF);
    }
}

std::vector<uint64_t> play(const Performance& p)
{
    Engine engine;
    writeUserWaves(engine, 4);
    engine.Reset(p.rate);
    for (const auto& [index, value] : p.params) engine.SetParameterValue(index, value);
    std::vector<uint64_t> bits;
    const auto keep = [&bits](const Stereo& s) {
        for (size_t i = 0; i < s.left.size(); ++i) {
            bits.push_back(std::bit_cast<uint64_t>(s.left[i]));
            bits.push_back(std::bit_cast<uint64_t>(s.right[i]));
        }
    };
    for (int n = 0; n < p.notes; ++n) noteOn(engine, p.firstNote + 3 * n, 60 + 5 * n, n * 37);
    keep(render(engine, 3000, 200));
    // Resonance and cutoff moved and the user waves rewritten while the
    // voices sound, then a release.
    engine.SetParameterValue(kResonance, 27);
    engine.SetParameterValue(kCutoff, 70);
    writeUserWaves(engine, 2);
    keep(render(engine, 1500, 97));
    for (int n = 0; n < p.notes; n += 2) noteOff(engine, p.firstNote + 3 * n);
    keep(render(engine, 1500, 256));
    return bits;
}

TEST(VoiceKernel, LanesSoundExactlyAsOneVoiceAtATime)
{
    const std::vector<Performance> performances = {
        {"TwoVoicesSweep", 44100.0, 2,
         {{kOsc1Wave, 30}, {kOsc2Wave, 12}, {kResonance, 20}, {kEnvelope, 31}, {kVcfAttack, 2}, {kVcfDecay, 6},
          {kLfoShape, 1}, {kLfoSpeed, 99}, {kLfoToVcf, 31}}},
        {"ThreeVoicesNoise", 48000.0, 3,
         {{kOsc1Wave, kWaveNoise}, {kOsc2Wave, 7}, {kBalance, -3}, {kVoices, 1}, {kResonance, 14}, {kCutoff, 50}}},
        {"SevenVoicesSelfOscillating", 96000.0, 7,
         {{kOsc1Wave, 3}, {kOsc2Wave, kWaveNoise}, {kVoices, 2}, {kResonance, 31}, {kCutoff, 40}, {kChorus, 1}}},
        {"SixUserWaveVoices", 44100.0, 6,
         {{kOsc1Wave, kWaveUserOwn}, {kOsc2Wave, kWaveUserOther}, {kBalance, 4}, {kVoices, 2}, {kResonance, 24}}},
        {"ElevenVoicesLowRate", 22050.0, 11,
         {{kOsc1Wave, 21}, {kOsc2Wave, 0}, {kVoices, 2}, {kRange, 2}, {kEnvelope, 25}, {kVcfEnvInvert, 1},
          {kLfoToOsc, 9}, {kLfoSpeed, 60}}},
        {"TwelveVoicesUpToTheTopBand", 48000.0, 12,
         {{kOsc1Wave, 30}, {kOsc2Wave, kWaveUserOwn}, {kVoices, 2}, {kRange, 2}, {kOsc2Coarse, 12}, {kLfoToOsc, 20},
          {kLfoSpeed, 80}, {kResonance, 18}},
         64},
    };
    for (const Performance& p : performances) {
        SCOPED_TRACE(p.name);
        std::vector<uint64_t> reference;
        {
            KernelScope scope(VoiceKernel::Scalar);
            ASSERT_TRUE(scope.usable);
            reference = play(p);
        }
        size_t nonZero = 0;
        for (uint64_t b : reference) nonZero += (b << 1) != 0;
        EXPECT_GT(nonZero, reference.size() / 2) << "the performance should sound";
        for (VoiceKernel kernel : {VoiceKernel::Sse2, VoiceKernel::Avx2, VoiceKernel::Avx512}) {
            KernelScope scope(kernel);
            if (!scope.usable) continue;  // not on this processor
            const std::vector<uint64_t> lanes = play(p);
            ASSERT_EQ(lanes.size(), reference.size());
            size_t firstDifference = 0;
            while (firstDifference < lanes.size() && lanes[firstDifference] == reference[firstDifference])
                ++firstDifference;
            EXPECT_EQ(firstDifference, lanes.size()) << "kernel " << static_cast<int>(kernel);
        }
    }
}

TEST(VoiceKernel, AvxIsOfferedOnlyWhereTheProcessorHasIt)
{
    const bool avx2 = __builtin_cpu_supports("avx2");
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq");
    EXPECT_EQ(BestVoiceKernel(), avx512 ? VoiceKernel::Avx512 : avx2 ? VoiceKernel::Avx2 : VoiceKernel::Sse2);
    EXPECT_EQ(SelectVoiceKernel(VoiceKernel::Avx2), avx2);
    EXPECT_EQ(SelectVoiceKernel(VoiceKernel::Avx512), avx512);
    SelectVoiceKernel(BestVoiceKernel());
    EXPECT_EQ(CurrentVoiceKernel(), BestVoiceKernel());
}

}  // namespace
}  // namespace qor::test
