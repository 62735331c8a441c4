// Measurements on rendered audio.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineTestUtil.h"
#include "engine/PitchTables.h"

namespace qor {
namespace {

using namespace qor::test;

TEST(Acoustic, SawtoothA4SoundsAt440Hz)
{
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        Engine engine;
        prepare(engine, rate);
        engine.SetParameterValue(kCutoff, 99);
        noteOn(engine, 69);
        const Stereo out = render(engine, static_cast<int>(rate * 3));
        // Skip the first half second while the smoothers settle.
        const double f = zeroCrossingFrequency(out.left, rate, static_cast<size_t>(rate / 2));
        EXPECT_NEAR(f, 440.0, 0.1) << rate;
    }
}

TEST(Acoustic, RangeTransposeAndBendMovePitchByWholeIntervals)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kCutoff, 99);
    engine.SetParameterValue(kRange, 0);  // 16'
    engine.SetParameterValue(kTranspose, 2);
    noteOn(engine, 69);
    Stereo out = render(engine, 44100 * 2);
    // An octave down and a whole tone up from A4: B3.
    EXPECT_NEAR(zeroCrossingFrequency(out.left, 44100, 22050), noteFreqTable()[59], 0.1);
    send(engine, 0xE0, 0x7F, 0x7F);  // full bend up, two semitones
    out = render(engine, 44100 * 2);
    EXPECT_NEAR(zeroCrossingFrequency(out.left, 44100, 22050), noteFreqTable()[61], 0.2);
}

TEST(Acoustic, VcaReleaseAtFullRateFadesInAboutTwelveAndAHalfSeconds)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kCutoff, 99);
    engine.SetParameterValue(kVcaRelease, 31);
    noteOn(engine, 60);
    const Stereo held = render(engine, 44100);
    const double start = rms(held.left, 22050, 44100);
    ASSERT_GT(start, 0.01);
    noteOff(engine, 60);

    // Follow the release in 50 ms windows until the voice stops.
    const int window = 2205;
    double below60dB = -1.0;
    double idle = -1.0;
    for (int w = 0; w < 20 * 20 && idle < 0.0; ++w) {
        const Stereo part = render(engine, window);
        const double t = (w + 1) * window / 44100.0;
        if (below60dB < 0.0 && rms(part.left) < start * 1e-3) below60dB = t;
        if (!engine.voices[0].active) idle = t;
    }
    EXPECT_NEAR(idle, 12.5, 0.15);
    EXPECT_GT(below60dB, 9.0);
    EXPECT_LT(below60dB, 12.6);
}

TEST(Acoustic, FullResonanceSelfOscillatesNearTheCutoff)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kOsc1Wave, 0);  // no input at all
    engine.SetParameterValue(kOsc2Wave, 0);
    engine.SetParameterValue(kCutoff, 60);
    engine.SetParameterValue(kResonance, 31);
    noteOn(engine, 60);
    const Stereo out = render(engine, 44100 * 3);
    const double early = rms(out.left, 22050, 44100);
    const double late = rms(out.left, 44100 * 2, 44100 * 3);
    EXPECT_GT(late, 0.05);
    EXPECT_GT(late, early * 0.8);  // sustained, not a decaying ring
    const double cutoffHz = pitchToFreq(static_cast<int>(engine.voices[0].cutoff));
    const double f = zeroCrossingFrequency(out.left, 44100, 44100);
    EXPECT_GT(f, cutoffHz * 0.7);
    EXPECT_LT(f, cutoffHz * 1.3);

    // Just below full resonance the filter rings but does not sustain itself.
    Engine quieter;
    prepare(quieter);
    quieter.SetParameterValue(kOsc1Wave, 0);
    quieter.SetParameterValue(kOsc2Wave, 0);
    quieter.SetParameterValue(kResonance, 30);
    noteOn(quieter, 60);
    EXPECT_LT(rms(render(quieter, 44100).left), 1e-6);
}

TEST(Acoustic, DelayModePutsACopySixMillisecondsLateOnTheRight)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kOsc1Wave, 33);  // white noise: a sharp correlation peak
    engine.SetParameterValue(kOsc2Wave, 33);
    engine.SetParameterValue(kCutoff, 99);
    engine.SetParameterValue(kChorus, 7);
    noteOn(engine, 60);
    const Stereo out = render(engine, 44100);
    const size_t from = 11025, to = 33075;
    int bestLag = -1;
    double best = 0.0;
    for (int lag = 0; lag < 600; ++lag) {
        double c = 0.0;
        for (size_t i = from; i < to; ++i) c += out.left[i] * out.right[i + static_cast<size_t>(lag)];
        if (c > best) {
            best = c;
            bestLag = lag;
        }
    }
    const double expected = 0.0484 * 0.125 * 44100;  // 266.8 samples
    EXPECT_NEAR(bestLag, expected, 6.0);

    // MONO mixes the copy into both channels.
    engine.SetParameterValue(kOutput, 0);
    const Stereo mono = render(engine, 4410);
    for (size_t i = 0; i < mono.left.size(); ++i) ASSERT_EQ(mono.left[i], mono.right[i]);
}

TEST(Acoustic, ChorusWidensTheStereoImage)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kChorus, 1);
    noteOn(engine, 57);
    const Stereo out = render(engine, 44100 * 2);
    double diff = 0.0;
    for (size_t i = 44100; i < out.left.size(); ++i) diff += std::fabs(out.left[i] - out.right[i]);
    EXPECT_GT(diff / 44100.0, 1e-3);
    EXPECT_GT(rms(out.left, 44100), 0.01);
}

}  // namespace
}  // namespace qor
