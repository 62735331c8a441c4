// Bad input must never hang, crash or put a NaN into the output.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "EngineTestUtil.h"

namespace qor {
namespace {

using namespace qor::test;

TEST(Robustness, RenderingBeforeAnyResetOrAtUnusableRatesIsSilent)
{
    Engine engine;
    noteOn(engine, 60);
    Stereo out = render(engine, 1000);
    EXPECT_EQ(peak(out.left), 0.0);

    for (double rate : {0.0, 100.0, 333.0, -44100.0, std::numeric_limits<double>::quiet_NaN(), 1e12}) {
        engine.Reset(rate);
        noteOn(engine, 60);
        out = render(engine, 1000);
        EXPECT_EQ(peak(out.left), 0.0) << rate;
        EXPECT_EQ(peak(out.right), 0.0) << rate;
    }
    // A usable rate afterwards plays normally.
    engine.Reset(44100.0);
    noteOn(engine, 60);
    EXPECT_GT(rms(render(engine, 4410).left), 0.0);
}

TEST(Robustness, GarbageMidiBytesAreIgnored)
{
    Engine engine;
    prepare(engine);
    for (int status : {0x80, 0x90, 0xB0, 0xD0, 0xE0, 0xF0, 0x00, 0x7F})
        for (int d : {0, 127, 128, 255}) send(engine, status, d, d, 0);
    send(engine, 0x90, 60, 100, -500);  // negative offsets are due at once
    const Stereo out = render(engine, 44100);
    EXPECT_TRUE(allFinite(out.left));
    EXPECT_TRUE(engine.heldKeys.IsHeld(60));
}

TEST(Robustness, KeysOutsideTheKeyboardAreIgnored)
{
    Engine engine;
    prepare(engine);
    // Straight through the engine's own entry points, past the queue's byte check.
    for (int note : {-1, -5, 128, 300, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        engine.NoteOn(note, 100);
        engine.NoteOff(note);
    }
    EXPECT_EQ(engine.heldKeys.Count(), 0);
    EXPECT_EQ(engine.noteSerial, 0);
    for (const Voice& v : engine.voices) EXPECT_FALSE(v.gate);

    // A real key afterwards is not disturbed by a release of a key out of range.
    engine.NoteOn(60, 100);
    engine.NoteOff(60 - 128);
    engine.NoteOff(60 + 128);
    EXPECT_TRUE(engine.heldKeys.IsHeld(60));
    EXPECT_TRUE(engine.voices[0].gate);
    const Stereo out = render(engine, 4410);
    EXPECT_TRUE(allFinite(out.left));
    EXPECT_GT(rms(out.left), 0.0);
}

TEST(Robustness, NanParameterValuesDoNotReachTheOutput)
{
    Engine engine;
    prepare(engine);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < kNumParams; ++i) {
        engine.SetParameter(i, nan, nan);
        engine.SetParameterValue(i, nan);
    }
    noteOn(engine, 60);
    const Stereo out = render(engine, 22050);
    EXPECT_TRUE(allFinite(out.left));
    EXPECT_TRUE(allFinite(out.right));
    EXPECT_GT(rms(out.left), 0.0);
}

// Values far outside their ranges, at either end, behave as the nearest end.
TEST(Robustness, ParameterValuesOutsideTheirRangesAreTakenAtTheEnds)
{
    for (const double beyond : {-1e300, 1e300}) {
        Engine engine;
        prepare(engine);
        for (int i = 0; i < kNumParams; ++i) engine.SetParameter(i, beyond, beyond);
        Engine reference;
        prepare(reference);
        for (int i = 0; i < kNumParams; ++i) {
            const ParamRange& r = paramRanges[static_cast<size_t>(i)];
            reference.SetParameter(i, beyond < 0 ? r.min : r.max, beyond < 0 ? 0.0 : 1.0);
        }
        for (Engine* e : {&engine, &reference}) noteOn(*e, 60);
        const Stereo out = render(engine, 22050);
        const Stereo expected = render(reference, 22050);
        EXPECT_TRUE(allFinite(out.left) && allFinite(out.right)) << beyond;
        EXPECT_EQ(out.left, expected.left) << beyond;
        EXPECT_EQ(out.right, expected.right) << beyond;
    }
}

TEST(Robustness, RandomProgramsStayFiniteAndBounded)
{
    std::mt19937 rng(20261208);
    for (int program = 0; program < 24; ++program) {
        Engine engine;
        prepare(engine, program % 3 == 0 ? 48000.0 : 44100.0);
        for (int i = 0; i < kNumParams; ++i) {
            const ParamRange& r = paramRanges[static_cast<size_t>(i)];
            std::uniform_real_distribution<double> d(r.min, r.max);
            const double v = (i == kVolume || i == kLowBoost) ? d(rng) : std::round(d(rng));
            engine.SetParameterValue(i, v);
        }
        engine.SetParameterValue(kVoices, 2);
        for (int n = 0; n < 8; ++n) noteOn(engine, 30 + static_cast<int>(rng() % 70), 1 + static_cast<int>(rng() % 127), n * 300);
        send(engine, 0xE0, 0, static_cast<int>(rng() % 128), 2000);
        send(engine, 0xD0, static_cast<int>(rng() % 128), 0, 3000);
        send(engine, 0xB0, 64, 127, 4000);
        const Stereo out = render(engine, 22050, 97);
        ASSERT_TRUE(allFinite(out.left)) << program;
        ASSERT_TRUE(allFinite(out.right)) << program;
        EXPECT_LT(peak(out.left), 16.0) << program;
    }
}

}  // namespace
}  // namespace qor
