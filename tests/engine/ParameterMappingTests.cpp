#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EngineTestUtil.h"

namespace qor {
namespace {

using namespace qor::test;

TEST(ParameterMapping, PitchFieldsTakeTheTruncatedProduct)
{
    Engine engine;
    const Voice& v = engine.voices[63];  // every voice, rendered or not
    engine.SetParameterValue(kRange, 0);
    EXPECT_EQ(v.rangeOffset, -1536);
    engine.SetParameterValue(kRange, 1);
    EXPECT_EQ(v.rangeOffset, 0);
    engine.SetParameterValue(kRange, 2);
    EXPECT_EQ(v.rangeOffset, 1536);
    engine.SetParameterValue(kOsc2Fine, 10);
    EXPECT_EQ(v.osc2Fine, 39);
    engine.SetParameterValue(kOsc2Fine, -10);
    EXPECT_EQ(v.osc2Fine, -39);
    engine.SetParameterValue(kOsc2Fine, 3);
    EXPECT_EQ(v.osc2Fine, 11);  // 11.7 truncated
    engine.SetParameterValue(kOsc2Coarse, -12);
    EXPECT_EQ(v.osc2Coarse, -1536);
    engine.SetParameterValue(kMasterTune, -50);
    EXPECT_EQ(v.masterTune, -50);
    engine.SetParameterValue(kTranspose, 6);
    EXPECT_EQ(engine.transpose, 6);
    engine.SetParameterValue(kPitchBend, 12);
    EXPECT_DOUBLE_EQ(engine.bendRange, 1536.0);  // an octave each way
}

TEST(ParameterMapping, CutoffTableAndFilterAmounts)
{
    Engine engine;
    const Voice& v = engine.voices[0];
    engine.SetParameterValue(kCutoff, 0);
    EXPECT_NEAR(v.cutoff, -254.8462, 1e-4);
    engine.SetParameterValue(kCutoff, 21);
    EXPECT_EQ(v.cutoff, 3390.0);
    engine.SetParameterValue(kCutoff, 50);
    EXPECT_NEAR(v.cutoff, 8423.359, 1e-3);
    EXPECT_EQ(v.cutoff, static_cast<double>(static_cast<float>(v.cutoff)));  // stored as f32
    engine.SetParameterValue(kCutoff, 99);
    EXPECT_EQ(v.cutoff, 16928.0);
    engine.SetParameterValue(kEnvelope, 31);
    EXPECT_NEAR(v.envDepth, 9047.04, 1e-9);
    engine.SetParameterValue(kVeloVcf, 15);
    EXPECT_DOUBLE_EQ(v.veloVcf, 4608.0);
    engine.SetParameterValue(kPresVcf, 15);
    EXPECT_NEAR(engine.pressureToCutoff, 5637.12, 1e-9);
    engine.SetParameterValue(kKbVcf, 14);
    EXPECT_DOUBLE_EQ(v.kbVcf, 1536.0);
    engine.SetParameterValue(kKbVcf, 15);
    EXPECT_NEAR(v.kbVcf, 1645.714, 1e-3);
    engine.SetParameterValue(kVcfFreqOffset, -24);
    EXPECT_DOUBLE_EQ(v.cutoffOffset, -3072.0);
    engine.SetParameterValue(kAutoBend, 31);
    EXPECT_FLOAT_EQ(engine.lfo.autoBendAmount, 3072.0f);
    engine.SetParameterValue(kAutoBend, -15);
    EXPECT_NEAR(engine.lfo.autoBendAmount, -81.48f, 0.01f);  // (15/31)^5 x 3072
}

TEST(ParameterMapping, BalanceAndGainRules)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kBalance, -15);
    noteOn(engine, 60);
    render(engine, 200);
    EXPECT_EQ(engine.voices[0].osc1Gain, 1.0);
    EXPECT_EQ(engine.voices[0].osc2Gain, 0.0);
    engine.SetParameterValue(kBalance, 15);
    render(engine, 200);
    EXPECT_EQ(engine.voices[0].osc2Gain, 1.0);

    engine.SetParameterValue(kVolume, 1.0);
    engine.SetParameterValue(kLevel, 31);
    engine.SetParameterValue(kChorus, 0);
    render(engine, 200);
    EXPECT_DOUBLE_EQ(engine.masterGain, 1.0);
    engine.SetParameterValue(kChorus, 3);
    render(engine, 200);
    EXPECT_DOUBLE_EQ(engine.masterGain, 0.5);
}

TEST(ParameterMapping, VoicesReleasesEveryVoiceEvenAtTheSameValue)
{
    Engine engine;
    prepare(engine);
    noteOn(engine, 60);
    render(engine, 200);
    ASSERT_TRUE(engine.voices[0].gate);
    engine.SetParameterValue(kVoices, 1);  // six, as it already was
    EXPECT_EQ(engine.activeVoices, 6);
    EXPECT_FALSE(engine.voices[0].gate);
    EXPECT_EQ(engine.heldKeys.Count(), 0);
    const std::array<int, 5> counts{1, 6, 12, 32, 64};
    for (int i = 0; i < 5; ++i) {
        engine.SetParameterValue(kVoices, i);
        EXPECT_EQ(engine.activeVoices, counts[static_cast<size_t>(i)]);
    }
}

TEST(ParameterMapping, WavesFollowTheMemoryOfTheCurrentProgram)
{
    Engine engine;
    engine.SetParameterValue(kOsc1Wave, 32);
    engine.SetParameterValue(kOsc2Wave, 33);
    EXPECT_EQ(engine.voices[5].osc1.waveBase, 0);
    EXPECT_EQ(engine.voices[5].osc2Noise, 1);
    engine.SetCurrentMemory(true);  // a cartridge program: 32 is now the cartridge wave
    EXPECT_EQ(engine.voices[5].osc1.waveBase, 1);
    engine.SetParameterValue(kOsc1Wave, 0);
    EXPECT_EQ(engine.voices[5].osc1.enabled, 0);
}

TEST(ParameterMapping, CorruptValuesChangeNothing)
{
    Engine engine;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double before = engine.voices[0].cutoff;
    engine.SetParameter(kCutoff, nan, 0.5);
    engine.SetParameter(kCutoff, 50, nan);
    engine.SetParameterValue(kCutoff, nan);
    engine.SetParameter(kVolume, std::numeric_limits<double>::infinity(), 1.0);
    engine.SetParameter(-1, 0, 0);
    engine.SetParameter(60, 0, 0);
    EXPECT_EQ(engine.voices[0].cutoff, before);
    EXPECT_DOUBLE_EQ(engine.volume, 0.25);
}

}  // namespace
}  // namespace qor
