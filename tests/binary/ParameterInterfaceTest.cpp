// The 60 parameters as a host sees them: names, labels, display texts at both
// ends of every range, text entry, and the bounds of get/setParameter.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

class BinaryParameters : public BinaryTest {};

struct Expected {
    const char* name;
    const char* atMin;  // display at normalized 0
    const char* atMax;  // display at normalized 1
};

// Ranges, texts and display functions of the instrument's parameter table.
constexpr std::array<Expected, 60> kParameters{{
    {"Volume", "-oo", "0.0"},
    {"Output", "MONO", "STEREO"},
    {"Master Tune", "-50", "50"},
    {"Transpose", "-5", "6"},
    {"Portamento", "OFF", "ON"},
    {"Mono", "OFF", "ON"},
    {"Priority", "LAST", "HIGH"},
    {"Working Parameter", "1", "42"},
    {"OSC 1 Wave", "OFF", "USER WAVE (CARTRIDGE)"},
    {"Range", "16", "4"},
    {"Porta Speed", "0", "99"},
    {"Balance", "-15", "15"},
    {"Pitch Bend", "0", "12"},
    {"Auto Bend", "-31", "31"},
    {"OSC 2 Wave", "OFF", "USER WAVE (CARTRIDGE)"},
    {"OSC 2 Coarse", "-24", "24"},
    {"OSC 2 Fine", "-10", "10"},
    {"Cutoff", "0", "99"},
    {"Resonance", "0", "31"},
    {"Low Cut", "0", "31"},
    {"Envelope", "0", "31"},
    {"VCF Attack", "0", "31"},
    {"VCF Decay", "0", "31"},
    {"VCF Env. Invert", "OFF", "ON"},
    {"VCF Sustain", "0", "31"},
    {"VCF Release", "0", "31"},
    {"Level", "0", "31"},
    {"VCA Attack", "0", "31"},
    {"VCA Decay", "0", "31"},
    {"Low Boost", "-18.0", "6.0"},
    {"VCA Sustain", "0", "31"},
    {"VCA Release", "0", "31"},
    {"LFO Shape", "TRIANGLE", "CHRM.RND"},
    {"LFO Speed", "0", "99"},
    {"LFO Delay", "0", "31"},
    {"LFO to OSC", "0", "31"},
    {"LFO to VCF", "0", "31"},
    {"LFO to VCA", "0", "31"},
    {"Velo VCF", "0", "15"},
    {"Velo VCA", "0", "15"},
    {"Pres. OSC Bal.", "0", "15"},
    {"Pres. VCF", "0", "15"},
    {"Pres. VCA", "0", "15"},
    {"Pres. LFO OSC", "0", "15"},
    {"KB VCF", "-15", "15"},
    {"KB VCA", "-15", "15"},
    {"Chorus", "OFF", "DELAY"},
    {"Voices", "1", "64"},
    {"Mono Detune", "0", "15"},
    {"VCF Freq.Offset", "-24", "24"},
    {"LFO Sync", "OFF", "ON"},
    {"Chorus Speed", "-31", "31"},
    {"Chorus Depth", "-31", "0"},
    {"Voice Allocation Mode", "Reassign", "Round Robin"},
    {"Reserved 1", "0.00", "1.00"},
    {"Reserved 2", "0.00", "1.00"},
    {"Reserved 3", "0.00", "1.00"},
    {"Reserved 4", "0.00", "1.00"},
    {"Reserved 5", "0.00", "1.00"},
    {"Reserved 6", "0.00", "1.00"},
}};

constexpr int kLfoSpeed = 33;
constexpr int kLfoSync = 50;

TEST_F(BinaryParameters, NamesLabelsAndDisplaysAtBothEnds)
{
    Load();
    for (int i = 0; i < 60; ++i) {
        const Expected& p = kParameters[static_cast<size_t>(i)];
        EXPECT_EQ(host.ParamName(i), p.name) << i;
        host.SetParameter(i, 0.0f);
        EXPECT_EQ(host.GetParameter(i), 0.0f) << p.name;
        EXPECT_EQ(host.ParamDisplay(i), p.atMin) << p.name;
        EXPECT_EQ(host.ParamLabel(i), "") << p.name;
    }
    for (int i = 0; i < 60; ++i) {
        host.SetParameter(i, 1.0f);
        EXPECT_EQ(host.GetParameter(i), 1.0f) << kParameters[static_cast<size_t>(i)].name;
    }
    // "LFO Speed" shows its number while "LFO Sync" is off.
    host.SetParameter(kLfoSync, 0.0f);
    for (int i = 0; i < 60; ++i) {
        const Expected& p = kParameters[static_cast<size_t>(i)];
        EXPECT_EQ(host.ParamDisplay(i), i == kLfoSync ? "OFF" : p.atMax) << p.name;
        EXPECT_EQ(host.ParamLabel(i), "") << p.name;
    }
    // Out of range, or without a buffer, nothing is written.
    for (int32_t opcode : {vst::effGetParamName, vst::effGetParamDisplay, vst::effGetParamLabel}) {
        for (int index : {-1, 60, 1 << 20}) {
            char text[64] = "untouched";
            EXPECT_EQ(host.Dispatch(opcode, index, 0, text), 0);
            EXPECT_STREQ(text, "untouched") << "opcode " << opcode << " index " << index;
        }
        EXPECT_EQ(host.Dispatch(opcode, 17), 0);
    }
}

TEST_F(BinaryParameters, DisplaysInsideTheRanges)
{
    Load();
    struct Case {
        int index;
        float normalized;
        const char* display;
    };
    const Case cases[] = {
        {0, 0.5f, "-6.0"},                // Volume, decibels
        {7, 9.0f / 41.0f, "10"},          // Working Parameter 17 is hardware parameter 10
        {8, 30.0f / 34.0f, "SAWTOOTH"},   // OSC 1 Wave
        {14, 32.0f / 34.0f, "USER WAVE (INTERNAL)"},
        {14, 33.0f / 34.0f, "WHITE NOISE"},
        {9, 0.5f, "8"},                   // Range, footage
        {17, 0.5f, "50"},                 // 49.5 rounds to the step above
        {29, 0.75f, "0.0"},               // Low Boost 18 is flat
        {29, 0.5f, "-6.0"},
        {32, 3.0f / 6.0f, "SQUARE"},      // LFO Shape 4
        {46, 4.0f / 7.0f, "TREMOLO"},     // Chorus
        {47, 0.25f, "6"},                 // Voices
        {52, 0.5f, "-15"},                // Chorus Depth: -15.5 rounds up
    };
    for (const Case& c : cases) {
        host.SetParameter(c.index, c.normalized);
        EXPECT_EQ(host.ParamDisplay(c.index), c.display) << kParameters[static_cast<size_t>(c.index)].name;
    }
    // Integer parameters land on whole values: getParameter reads back the step.
    host.SetParameter(17, 0.5f);
    EXPECT_FLOAT_EQ(host.GetParameter(17), 50.0f / 99.0f);
    // Continuous ones keep what the host sent.
    host.SetParameter(0, 0.123f);
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.123f);
}

TEST_F(BinaryParameters, TextEntry)
{
    Load();
    EXPECT_EQ(host.SetParameterText(1, "MONO"), 1);  // Output
    EXPECT_EQ(host.GetParameter(1), 0.0f);
    EXPECT_EQ(host.SetParameterText(1, "STEREO"), 1);
    EXPECT_EQ(host.GetParameter(1), 1.0f);
    EXPECT_EQ(host.ParamDisplay(1), "STEREO");

    EXPECT_EQ(host.SetParameterText(8, "SAWTOOTH"), 1);  // OSC 1 Wave
    EXPECT_FLOAT_EQ(host.GetParameter(8), 30.0f / 34.0f);
    EXPECT_EQ(host.SetParameterText(8, "GRAND PIANO II"), 1);
    EXPECT_EQ(host.ParamDisplay(8), "GRAND PIANO II");
    EXPECT_EQ(host.SetParameterText(47, "64"), 1);  // Voices: the text "64", not the number
    EXPECT_EQ(host.GetParameter(47), 1.0f);

    // Display texts are matched exactly: case counts, and numbers are not texts.
    host.SetParameter(4, 0.0f);  // Portamento
    EXPECT_EQ(host.SetParameterText(4, "on"), 0);
    EXPECT_EQ(host.GetParameter(4), 0.0f);
    EXPECT_EQ(host.SetParameterText(4, "1"), 0);
    EXPECT_EQ(host.SetParameterText(4, "ON"), 1);
    EXPECT_EQ(host.GetParameter(4), 1.0f);
    EXPECT_EQ(host.SetParameterText(8, "sawtooth"), 0);
    EXPECT_EQ(host.ParamDisplay(8), "GRAND PIANO II");

    // Numbers are plain values, clamped to the range.
    EXPECT_EQ(host.SetParameterText(17, "75"), 1);  // Cutoff
    EXPECT_FLOAT_EQ(host.GetParameter(17), 75.0f / 99.0f);
    EXPECT_EQ(host.ParamDisplay(17), "75");
    EXPECT_EQ(host.SetParameterText(15, "-12"), 1);  // OSC 2 Coarse
    EXPECT_FLOAT_EQ(host.GetParameter(15), 0.25f);
    EXPECT_EQ(host.SetParameterText(17, "500"), 1);
    EXPECT_EQ(host.GetParameter(17), 1.0f);
    EXPECT_EQ(host.SetParameterText(17, "-3"), 1);
    EXPECT_EQ(host.GetParameter(17), 0.0f);
    EXPECT_EQ(host.SetParameterText(0, "0.25"), 1);  // Volume, continuous
    EXPECT_FLOAT_EQ(host.GetParameter(0), 0.25f);

    // Fields that show something other than their value take back what they show.
    EXPECT_EQ(host.SetParameterText(9, "8"), 1);  // Range, footage
    EXPECT_EQ(host.ParamDisplay(9), "8");
    EXPECT_EQ(host.SetParameterText(7, "1"), 1);  // Working Parameter: number 1 is OSC 1 Wave
    EXPECT_EQ(host.ParamDisplay(7), "1");
    EXPECT_EQ(host.SetParameterText(29, "6"), 1);  // Low Boost, shown from its flat 18
    EXPECT_EQ(host.ParamDisplay(29), "6.0");

    // Text that is no number changes nothing.
    host.SetParameter(17, 0.5f);
    const float before = host.GetParameter(17);
    for (const char* junk : {"", "abc", "nan", "inf", "  ", "--5"}) {
        EXPECT_EQ(host.SetParameterText(17, junk), 0) << '"' << junk << '"';
        EXPECT_EQ(host.GetParameter(17), before) << '"' << junk << '"';
    }
    // A text longer than any display, with no terminator in sight of the limit.
    EXPECT_EQ(host.SetParameterText(17, std::string(5000, '7')), 1);
    EXPECT_EQ(host.GetParameter(17), 1.0f);

    // A valid index without text answers 1 and changes nothing; an invalid one 0.
    EXPECT_EQ(host.Dispatch(vst::effString2Parameter, 17), 1);
    EXPECT_EQ(host.GetParameter(17), 1.0f);
    for (int index : {-1, 60, 1000}) EXPECT_EQ(host.SetParameterText(index, "1"), 0) << index;
}

// Waves 32 and 34 are the user waves of the current program's memory and of
// the other one, so on a cartridge program their names trade places: shown,
// shown through the Cockos display call, and typed back.
TEST_F(BinaryParameters, UserWavesAreNamedAfterTheCurrentMemory)
{
    Load();
    for (int program : {50, 0}) {
        host.SetProgram(program);
        const std::string own = program >= 50 ? "USER WAVE (CARTRIDGE)" : "USER WAVE (INTERNAL)";
        const std::string other = program >= 50 ? "USER WAVE (INTERNAL)" : "USER WAVE (CARTRIDGE)";
        for (int wave : {8, 14}) {
            host.SetParameter(wave, 32.0f / 34.0f);
            EXPECT_EQ(host.ParamDisplay(wave), own) << "program " << program;
            host.SetParameter(wave, 1.0f);
            EXPECT_EQ(host.ParamDisplay(wave), other) << "program " << program;
            char text[64] = {};
            EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, vst::effGetParamDisplay, wave, text, 32.0f / 34.0f), 0xBEEF);
            EXPECT_STREQ(text, own.c_str()) << "program " << program;

            EXPECT_EQ(host.SetParameterText(wave, own), 1);
            EXPECT_FLOAT_EQ(host.GetParameter(wave), 32.0f / 34.0f) << "program " << program;
            EXPECT_EQ(host.SetParameterText(wave, other), 1);
            EXPECT_EQ(host.GetParameter(wave), 1.0f) << "program " << program;
        }
    }
}

// While synced, "LFO Speed" shows its note value; a typed note value sets the
// speed in the middle of those that show it, and a number still sets itself.
TEST_F(BinaryParameters, LfoSpeedShowsItsNoteValueWhileSynced)
{
    Load();
    EXPECT_EQ(host.SetParameterText(kLfoSync, "ON"), 1);
    host.SetParameter(kLfoSpeed, 1.0f);
    EXPECT_EQ(host.ParamDisplay(kLfoSpeed), "1/64");
    char text[64] = {};
    host.Dispatch(vst::effVendorSpecific, vst::effGetParamDisplay, kLfoSpeed, text, 0.0f);
    EXPECT_STREQ(text, "4/1");

    EXPECT_EQ(host.SetParameterText(kLfoSpeed, "1/16"), 1);  // speeds 76..80 show 1/16
    EXPECT_FLOAT_EQ(host.GetParameter(kLfoSpeed), 78.0f / 99.0f);
    EXPECT_EQ(host.ParamDisplay(kLfoSpeed), "1/16");
    EXPECT_EQ(host.SetParameterText(kLfoSpeed, "4/1"), 1);  // speeds 0..2
    EXPECT_FLOAT_EQ(host.GetParameter(kLfoSpeed), 1.0f / 99.0f);
    EXPECT_EQ(host.SetParameterText(kLfoSpeed, "40"), 1);
    EXPECT_FLOAT_EQ(host.GetParameter(kLfoSpeed), 40.0f / 99.0f);
    EXPECT_EQ(host.ParamDisplay(kLfoSpeed), "1/2T");
    EXPECT_EQ(host.SetParameterText(kLfoSync, "OFF"), 1);
    EXPECT_EQ(host.ParamDisplay(kLfoSpeed), "40");
}

TEST_F(BinaryParameters, GetAndSetOutsideTheirBounds)
{
    Load();
    const std::vector<float> before = host.AllParameters();
    for (int index : {-1, 60, 61, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        host.SetParameter(index, 0.3f);
        EXPECT_EQ(host.GetParameter(index), 0.0f) << index;
    }
    EXPECT_EQ(host.AllParameters(), before);
    EXPECT_EQ(host.Automations(), 0);  // the host is not told about its own changes

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float sent;
        float expected;
    };
    for (int index : {0, 17, 29, 52}) {
        for (Case c : {Case{1.5f, 1.0f}, Case{-0.5f, 0.0f}, Case{inf, 1.0f}, Case{-inf, 0.0f}, Case{1e30f, 1.0f}}) {
            host.SetParameter(index, c.sent);
            EXPECT_EQ(host.GetParameter(index), c.expected) << index << " set to " << c.sent;
        }
        host.SetParameter(index, nan);
        const float got = host.GetParameter(index);
        EXPECT_TRUE(got >= 0.0f && got <= 1.0f) << index << " after NaN reads " << got;
    }
    // Whatever arrived, the engine still renders finite audio.
    EventList notes;
    notes.Midi(0, 0x90, 60, 100).Midi(0, 0x90, 67, 100);
    host.SendEvents(notes);
    EXPECT_LT(PeakOf(host.RenderFrames(8192)), 100.0f);
}

}  // namespace
}  // namespace qor::test::binary

#endif
