#include <gtest/gtest.h>

#include <array>
#include <string>

#include "engine/ParameterIndex.h"
#include "framework/IPlugBase.h"
#include "programs/ParameterTable.h"

namespace qor {
namespace {

// Runs a display function on a text buffer that starts as "keep", so that
// "left unchanged" is visible.
std::string show(DisplayFunction f, double v)
{
    std::array<char, IParameter::kDisplayCapacity> text{};
    std::snprintf(text.data(), text.size(), "keep");
    f(v, text.data());
    return text.data();
}

class ParameterTable : public ::testing::Test {
protected:
    ParameterTable() { InitParameterTable(plug); }

    IParameter& P(int index) { return *plug.GetParam(index); }
    std::string Display(int index, double value)
    {
        std::array<char, IParameter::kDisplayCapacity> text{};
        P(index).FormatDisplay(value, false, text.data(), true);
        return text.data();
    }

    IPlugBase plug;
};

TEST(DisplayFunctions, VolumeInDecibels)
{
    EXPECT_EQ(show(DisplayVolume, 0.0), "-oo");
    EXPECT_EQ(show(DisplayVolume, -0.5), "-oo");
    EXPECT_EQ(show(DisplayVolume, 1.0), "0.0");
    EXPECT_EQ(show(DisplayVolume, 0.5), "-6.0");
    EXPECT_EQ(show(DisplayVolume, 0.01), "-40.0");
}

TEST(DisplayFunctions, WorkingParameterShowsTheHardwareNumber)
{
    EXPECT_EQ(show(DisplayWorkingParameter, 17), "10");
    EXPECT_EQ(show(DisplayWorkingParameter, 8), "1");
    EXPECT_EQ(show(DisplayWorkingParameter, 49), "42");
    EXPECT_EQ(show(DisplayWorkingParameter, 16.6), "10");  // rounded
}

TEST(DisplayFunctions, ListsLeaveTheTextAloneOutsideTheirRange)
{
    EXPECT_EQ(show(DisplayRange, 0), "16");
    EXPECT_EQ(show(DisplayRange, 1), "8");
    EXPECT_EQ(show(DisplayRange, 2), "4");
    EXPECT_EQ(show(DisplayRange, 3), "keep");
    EXPECT_EQ(show(DisplayRange, -1), "keep");

    EXPECT_EQ(show(DisplayLfoShape, 1), "TRIANGLE");
    EXPECT_EQ(show(DisplayLfoShape, 4), "SQUARE");
    EXPECT_EQ(show(DisplayLfoShape, 7), "CHRM.RND");
    EXPECT_EQ(show(DisplayLfoShape, 0), "keep");
    EXPECT_EQ(show(DisplayLfoShape, 8), "keep");

    EXPECT_EQ(show(DisplayChorus, 0), "OFF");
    EXPECT_EQ(show(DisplayChorus, 3), "CHORUS 3");
    EXPECT_EQ(show(DisplayChorus, 5), "AMBI.1");
    EXPECT_EQ(show(DisplayChorus, 7), "DELAY");
    EXPECT_EQ(show(DisplayChorus, 8), "keep");
    EXPECT_EQ(show(DisplayChorus, -1), "keep");
}

TEST(DisplayFunctions, LowBoostIsOffsetWithOneDecimal)
{
    EXPECT_EQ(show(DisplayLowBoost, 18), "0.0");
    EXPECT_EQ(show(DisplayLowBoost, 0), "-18.0");
    EXPECT_EQ(show(DisplayLowBoost, 24), "6.0");
    EXPECT_EQ(show(DisplayLowBoost, 18.3), "0.3");
}

TEST_F(ParameterTable, NamesRangesAndDefaults)
{
    const std::array<const char*, kNumParams> names{
        "Volume", "Output", "Master Tune", "Transpose", "Portamento", "Mono", "Priority", "Working Parameter",
        "OSC 1 Wave", "Range", "Porta Speed", "Balance", "Pitch Bend", "Auto Bend", "OSC 2 Wave", "OSC 2 Coarse",
        "OSC 2 Fine", "Cutoff", "Resonance", "Low Cut", "Envelope", "VCF Attack", "VCF Decay", "VCF Env. Invert",
        "VCF Sustain", "VCF Release", "Level", "VCA Attack", "VCA Decay", "Low Boost", "VCA Sustain", "VCA Release",
        "LFO Shape", "LFO Speed", "LFO Delay", "LFO to OSC", "LFO to VCF", "LFO to VCA", "Velo VCF", "Velo VCA",
        "Pres. OSC Bal.", "Pres. VCF", "Pres. VCA", "Pres. LFO OSC", "KB VCF", "KB VCA", "Chorus", "Voices",
        "Mono Detune", "VCF Freq.Offset", "LFO Sync", "Chorus Speed", "Chorus Depth", "Voice Allocation Mode",
        "Reserved 1", "Reserved 2", "Reserved 3", "Reserved 4", "Reserved 5", "Reserved 6"};
    for (int i = 0; i < kNumParams; ++i) {
        const ParamRange& r = paramRanges[static_cast<size_t>(i)];
        EXPECT_STREQ(P(i).Name(), names[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(P(i).Min(), r.min) << i;
        EXPECT_EQ(P(i).Max(), r.max) << i;
        EXPECT_EQ(P(i).Default(), r.defaultValue) << i;
        EXPECT_EQ(P(i).Value(), r.defaultValue) << i;
        EXPECT_EQ(P(i).Shape(), 1.0) << i;
        EXPECT_STREQ(P(i).Label(), "") << i;
    }
    EXPECT_EQ(P(kVolume).Kind(), IParameter::kKindContinuous);
    EXPECT_EQ(P(kLowBoost).Kind(), IParameter::kKindContinuous);
    EXPECT_EQ(P(kVoices).Kind(), IParameter::kKindEnumerated);
    EXPECT_EQ(P(kCutoff).Kind(), IParameter::kKindInteger);
    EXPECT_EQ(P(kReserved1 + 5).Precision(), 2);
}

TEST_F(ParameterTable, HostTextsOfEnumeratedAndFunctionParameters)
{
    EXPECT_EQ(Display(kVoices, 1), "6");
    EXPECT_EQ(Display(kVoices, 4), "64");
    EXPECT_EQ(Display(kOutput, 0), "MONO");
    EXPECT_EQ(Display(kPriority, 1), "HIGH");
    EXPECT_EQ(Display(kVoiceAllocationMode, 1), "Round Robin");
    EXPECT_EQ(Display(kWorkingParameter, 17), "10");
    EXPECT_EQ(Display(kLowBoost, 18), "0.0");
    EXPECT_EQ(Display(kRange, 1), "8");
    EXPECT_EQ(Display(kCutoff, 42), "42");
    EXPECT_EQ(Display(kKbVcf, -7), "-7");
    EXPECT_EQ(Display(kReserved1, 0.25), "0.25");
}

TEST_F(ParameterTable, NormalisationAndSnapping)
{
    P(kChorusDepth).SetNormalized(1.0);
    EXPECT_EQ(P(kChorusDepth).Value(), 0.0);
    P(kChorusDepth).SetNormalized(0.0);
    EXPECT_EQ(P(kChorusDepth).Value(), -31.0);
    EXPECT_DOUBLE_EQ(P(kChorusSpeed).GetNormalized(0.0), 0.5);
    EXPECT_DOUBLE_EQ(P(kKbVcf).GetNormalized(-15.0), 0.0);

    // Integer parameters snap to whole steps; continuous ones do not.
    P(kCutoff).SetNormalized(0.506);
    EXPECT_EQ(P(kCutoff).Value(), 50.0);
    P(kLowBoost).SetNormalized(0.5001);
    EXPECT_NEAR(P(kLowBoost).Value(), 12.0024, 1e-9);
    P(kVolume).SetNormalized(0.123);
    EXPECT_NEAR(P(kVolume).Value(), 0.123, 1e-12);
}

TEST_F(ParameterTable, WaveNamesFollowTheCurrentMemory)
{
    P(kOsc1Wave).Set(32);
    P(kOsc2Wave).Set(34);
    EXPECT_EQ(WaveName(plug, kOsc1Wave, false), "USER WAVE (INTERNAL)");
    EXPECT_EQ(WaveName(plug, kOsc2Wave, false), "USER WAVE (CARTRIDGE)");
    EXPECT_EQ(WaveName(plug, kOsc1Wave, true), "USER WAVE (CARTRIDGE)");
    EXPECT_EQ(WaveName(plug, kOsc2Wave, true), "USER WAVE (INTERNAL)");
    P(kOsc1Wave).Set(0);
    EXPECT_EQ(WaveName(plug, kOsc1Wave, false), "OFF");
    P(kOsc1Wave).Set(30);
    EXPECT_EQ(WaveName(plug, kOsc1Wave, true), "SAWTOOTH");
    P(kOsc2Wave).Set(33);
    EXPECT_EQ(WaveName(plug, kOsc2Wave, false), "WHITE NOISE");
    EXPECT_EQ(WaveName(plug, kCutoff, false), "");
    EXPECT_EQ(Display(kOsc1Wave, 12), "CLASSIC GUITAR");
}

TEST_F(ParameterTable, LfoSpeedShowsANoteValueWhileSynced)
{
    std::array<char, IParameter::kDisplayCapacity> text{};
    P(kLfoSync).Set(1);
    P(kLfoSpeed).Set(99);
    LfoSpeedText(plug, text.data());
    EXPECT_STREQ(text.data(), "1/64");
    P(kLfoSpeed).Set(0);
    LfoSpeedText(plug, text.data());
    EXPECT_STREQ(text.data(), "4/1");
    P(kLfoSpeed).Set(50);  // round(50 * 19 / 99) = 10
    LfoSpeedText(plug, text.data());
    EXPECT_STREQ(text.data(), "1/8.");
    P(kLfoSync).Set(0);
    LfoSpeedText(plug, text.data());
    EXPECT_STREQ(text.data(), "50");
}

}  // namespace
}  // namespace qor
