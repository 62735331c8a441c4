// The global LFO: rates, shapes, delay and Auto Bend, parameter conversions and
// the host-tempo sync, driven tick by tick and sample by sample like the engine.
#include "engine/Lfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <utility>
#include <vector>

namespace qor {
namespace {

// An LFO at full depth on every route, with no delay and the first (faded) tick done.
Lfo fullDepthLfo(int shapeParam, int speed)
{
    Lfo lfo;
    lfo.setShapeParam(shapeParam);
    lfo.setSpeed(speed);
    lfo.setDelayParam(0);
    lfo.setOscDepthParam(31);
    lfo.setVcfDepthParam(31);
    lfo.setVcaDepthParam(31);
    lfo.tick(0.0);
    return lfo;
}

// The LFO's output, read back from the pitch route (depth 12 semitones).
float output(const Lfo& lfo) { return lfo.pitchMod / (12 * 128.0f); }

TEST(Lfo, FreeRunningRatesFollowTheSpeedTable)
{
    EXPECT_EQ(Lfo::freeRate(99), 0.125f);
    EXPECT_EQ(Lfo::freeRate(0), 0.000292f);
    EXPECT_EQ(Lfo::freeRate(10), 2 * 0.003086f);
    // Between table points the rate is interpolated.
    EXPECT_NEAR(Lfo::freeRate(15), 2 * (0.003086 + 0.006024) / 2, 1e-8);
    EXPECT_NEAR(Lfo::freeRate(93), 2 * (0.037037 + (0.0625 - 0.037037) * 0.3), 1e-7);
    for (int speed = 1; speed < 100; ++speed)
        EXPECT_GT(Lfo::freeRate(speed), Lfo::freeRate(speed - 1)) << "speed " << speed;

    // Speed 99 cycles every 16 ticks (about 20.8 Hz at 333.3 ticks per second).
    Lfo lfo = fullDepthLfo(2, 99);  // SAW UP
    std::vector<int> wraps;
    for (int t = 0; t < 100; ++t) {
        const float before = lfo.phase;
        lfo.tick(0.0);
        if (lfo.phase < before) wraps.push_back(t);
    }
    ASSERT_GE(wraps.size(), 3u);
    for (size_t i = 1; i < wraps.size(); ++i) EXPECT_EQ(wraps[i] - wraps[i - 1], 16);

    // Switching the sync on leaves the rate alone; off again, the speed's rate returns.
    lfo.setSync(true);
    lfo.setSpeed(0);
    EXPECT_EQ(lfo.rate, 0.125f);
    lfo.setSync(false);
    EXPECT_EQ(lfo.rate, 0.000292f);
}

TEST(Lfo, ShapesAndTheirRanges)
{
    auto collect = [](int shapeParam) {
        Lfo lfo = fullDepthLfo(shapeParam, 70);
        std::vector<float> out;
        for (int t = 0; t < 300; ++t) {
            lfo.tick(0.0);
            out.push_back(output(lfo));
        }
        return out;
    };
    auto values = [](const std::vector<float>& v) { return std::set<float>(v.begin(), v.end()); };

    EXPECT_EQ(values(collect(4)), (std::set<float>{0.0f, 1.0f}));   // SQUARE
    EXPECT_EQ(values(collect(5)), (std::set<float>{-1.0f, 0.0f}));  // INV.SQR

    const auto triangle = collect(1);
    EXPECT_NEAR(*std::min_element(triangle.begin(), triangle.end()), -1.0f, 0.05f);
    EXPECT_NEAR(*std::max_element(triangle.begin(), triangle.end()), 1.0f, 0.05f);
    EXPECT_GE(*std::min_element(triangle.begin(), triangle.end()), -1.0f);
    EXPECT_LE(*std::max_element(triangle.begin(), triangle.end()), 1.0f);

    // Saws: one direction between wraps, the other only at the wrap.
    const auto up = collect(2);
    const auto down = collect(3);
    int upRises = 0, downFalls = 0;
    for (size_t i = 1; i < up.size(); ++i) {
        upRises += up[i] > up[i - 1];
        downFalls += down[i] < down[i - 1];
        EXPECT_EQ(down[i], -up[i]);
    }
    EXPECT_GT(upRises, 280);
    EXPECT_GT(downFalls, 280);

    // Every route carries the same output (SAW UP: the phase) at its own depth.
    Lfo lfo = fullDepthLfo(2, 70);
    for (int t = 0; t < 50; ++t) {
        lfo.tick(0.0);
        const float out = lfo.lastPhase;
        EXPECT_FLOAT_EQ(lfo.pitchMod, out * 12 * 128);
        EXPECT_FLOAT_EQ(lfo.cutoffMod, out * 8022.4216f);
        EXPECT_FLOAT_EQ(lfo.ampFactor, out + 1);
    }
}

TEST(Lfo, RandomShapesHoldAValuePerCycleAndChromaticRandomStepsInSemitones)
{
    Lfo chromatic = fullDepthLfo(7, 99);  // CHRM.RND, 12 semitones
    std::set<float> pitches;
    float previous = chromatic.pitchMod;
    int changes = 0;
    for (int t = 0; t < 1600; ++t) {
        chromatic.tick(0.0);
        const float p = chromatic.pitchMod;
        EXPECT_EQ(std::fmod(p, 128.0f), 0.0f) << p;
        EXPECT_GE(p, -12 * 128.0f);
        EXPECT_LE(p, 12 * 128.0f);
        pitches.insert(p);
        changes += p != previous;
        previous = p;
    }
    EXPECT_GE(pitches.size(), 12u);
    EXPECT_LE(changes, 101);  // at most one new value per 16-tick cycle

    // RANDOM: the same draws, unrounded, from the LFO's own generator (seed 1).
    Lfo random = fullDepthLfo(6, 99);
    NoiseGenerator reference;
    EXPECT_EQ(output(random), 0.0f);  // the delay's first tick is silent
    random.tick(0.0);
    EXPECT_FLOAT_EQ(output(random), static_cast<float>(reference.next()));
    bool fractional = false;
    for (int t = 0; t < 160; ++t) {
        random.tick(0.0);
        fractional |= std::fmod(random.pitchMod, 128.0f) != 0.0f;
    }
    EXPECT_TRUE(fractional);
}

TEST(Lfo, DelayFadesTheLfoInAsAutoBendFadesOut)
{
    Lfo lfo;
    lfo.setShapeParam(1);  // TRIANGLE, which is +1 at phase -1
    lfo.setSpeed(0);
    lfo.setOscDepthParam(31);
    lfo.setAutoBendParam(31);
    lfo.setDelayParam(3);  // 1/16 per tick
    lfo.restartDelay();
    for (int t = 0; t < 24; ++t) {
        const float phase = lfo.phase;
        lfo.tick(0.0);
        const float faded = std::min(t / 16.0f, 1.0f);
        EXPECT_NEAR(output(lfo), faded * (2 * std::fabs(phase) - 1), 1e-6f) << "tick " << t;
        EXPECT_NEAR(lfo.autoBend, 3072 * (1 - std::min((t + 1) / 16.0f, 1.0f)), 1e-3f) << "tick " << t;
    }
    EXPECT_EQ(lfo.autoBend, 0.0f);

    // A fade rate that steps past 1 must not leave a bend the other way.
    lfo.setDelayParam(7);
    lfo.restartDelay();
    lfo.tick(0.0);
    EXPECT_GT(lfo.autoBend, 2900.0f);
    for (int t = 0; t < 100; ++t) lfo.tick(0.0);
    EXPECT_EQ(lfo.autoBend, 0.0f);

    // LFO Delay 0: no bend after the first tick.
    lfo.setDelayParam(0);
    lfo.restartDelay();
    lfo.tick(0.0);
    EXPECT_EQ(lfo.autoBend, 0.0f);
}

TEST(Lfo, ParameterConversions)
{
    Lfo lfo;
    lfo.setAutoBendParam(31);
    EXPECT_FLOAT_EQ(lfo.autoBendAmount, 3072.0f);
    lfo.setAutoBendParam(-31);
    EXPECT_FLOAT_EQ(lfo.autoBendAmount, -3072.0f);
    lfo.setAutoBendParam(15);
    EXPECT_NEAR(lfo.autoBendAmount, 81.4f, 0.1f);
    lfo.setAutoBendParam(-15);
    EXPECT_NEAR(lfo.autoBendAmount, -81.4f, 0.1f);

    lfo.setVcfDepthParam(31);
    EXPECT_FLOAT_EQ(lfo.vcfDepth, 8022.4216f);
    lfo.setVcaDepthParam(16);
    EXPECT_FLOAT_EQ(lfo.vcaDepth, 16 / 31.0f);
    lfo.setOscDepthParam(31);
    EXPECT_FLOAT_EQ(lfo.oscDepth, 12.0f);
    lfo.setOscDepthParam(12);
    EXPECT_FLOAT_EQ(lfo.oscDepth, 0.02558f * 12);
    lfo.setPressureOscDepthParam(15);
    EXPECT_FLOAT_EQ(lfo.pressureOscDepth, 12.0f);
    lfo.setPressureOscDepthParam(1);
    EXPECT_FLOAT_EQ(lfo.pressureOscDepth, 0.8f);

    lfo.setDelayParam(1);
    EXPECT_EQ(lfo.fadeRate, 0.166667f);
    lfo.setDelayParam(31);
    EXPECT_EQ(lfo.fadeRate, 0.000592f);
    lfo.setDelayParam(32);  // masked to 0
    EXPECT_EQ(lfo.fadeRate, 1.0f);

    const std::vector<std::pair<double, int>> shapes{{1.0, 0}, {7.0, 6}, {0.0, 1}, {8.0, 1}, {-3.0, 1}};
    for (const auto& [raw, shape] : shapes) {
        lfo.setShapeParam(raw);
        EXPECT_EQ(lfo.shape, shape) << "raw " << raw;
    }
}

TEST(Lfo, PressureAddsPitchDepthUpToAnOctave)
{
    Lfo lfo = fullDepthLfo(4, 50);  // SQUARE
    lfo.setOscDepthParam(15);       // about half a semitone
    lfo.setPressureOscDepthParam(15);
    float top = 0;
    for (int t = 0; t < 100; ++t) {
        lfo.tick(0.5);
        top = std::max(top, lfo.pitchMod);
    }
    EXPECT_FLOAT_EQ(top, (6.0f + 0.044274f * 12) * 128);
    for (int t = 0; t < 100; ++t) {
        lfo.tick(1.0);
        top = std::max(top, lfo.pitchMod);
    }
    EXPECT_FLOAT_EQ(top, 12.0f * 128);
}

// Drives the LFO as the engine does: a transport record per block, a tick
// every control period, the sync counter every sample.
struct HostRun {
    Lfo& lfo;
    int period;
    int block = 512;
    int toTick = 0;
    long sample = 0;  // host position in samples

    void run(long samples, double tempo, double startPpq, const std::function<void(long)>& onTick)
    {
        const double samplesPerBeat = 60.0 / tempo * lfo.sampleRate;
        TransportInfo t;
        for (long end = sample + samples; sample < end;) {
            t.tempo = tempo;
            t.playing = true;
            t.samplePos = double(sample);
            t.ppqPos = startPpq + sample / samplesPerBeat;
            lfo.beginBlock(t);
            for (int i = 0; i < block; ++i, ++sample) {
                if (toTick <= 0) {
                    lfo.tick(0.0);
                    onTick(sample);
                    toTick = period;
                }
                --toTick;
                lfo.sampleTick();
            }
        }
    }
};

TEST(Lfo, SyncedPhaseCompletesOneCyclePerNoteValue)
{
    struct Case {
        double tempo;
        int speed;
        double beats;
    };
    for (const Case c : {Case{120.0, 47, 1.0}, Case{97.5, 62, 0.5}, Case{133.0, 42, 4.0 / 3}}) {
        Lfo lfo;
        lfo.reset(44100.0, 132);
        lfo.setShapeParam(2);
        lfo.setSync(true);
        lfo.setSpeed(c.speed);
        const double length = 60.0 / c.tempo * 44100.0 * c.beats;

        std::vector<long> wraps;
        float lowest = 1, highest = -1;
        float previous = -2;
        HostRun host{lfo, 132};
        int restartTicks = 0;
        host.run(long(length * 12), c.tempo, 0.0, [&](long sample) {
            // A tick that meets a freshly restarted countdown ends the old cycle at +1.
            if (lfo.syncCountdownSeen == lfo.syncSamples) {
                EXPECT_EQ(lfo.lastPhase, 1.0f) << "sample " << sample;
                ++restartTicks;
            }
            if (lfo.lastPhase < previous) wraps.push_back(sample);
            previous = lfo.lastPhase;
            lowest = std::min(lowest, previous);
            highest = std::max(highest, previous);
        });
        EXPECT_GE(restartTicks, 1);
        ASSERT_GE(wraps.size(), 10u) << "tempo " << c.tempo;
        const double measured = double(wraps.back() - wraps[1]) / double(wraps.size() - 2);
        EXPECT_NEAR(measured, length, 132.0 / (wraps.size() - 2)) << "tempo " << c.tempo;
        for (size_t i = 2; i < wraps.size(); ++i) EXPECT_NEAR(double(wraps[i] - wraps[i - 1]), length, 133.0);
        EXPECT_LT(lowest, -0.97f);
        EXPECT_GT(highest, 0.97f);
    }
}

TEST(Lfo, SyncPointsFallOnTheHostsBeatGrid)
{
    Lfo lfo;
    lfo.reset(48000.0, 144);
    lfo.setSync(true);
    lfo.setSpeed(47);  // 1/4: one beat, 24000 samples at 120 bpm
    HostRun host{lfo, 144, 480};
    int32_t lastCountdown = 0;

    // Each restart of the countdown is seen at the first tick after a host
    // beat, which falls at sample `beatOffset` + k x 24000.
    auto expectOnGrid = [&](double startPpq, long beatOffset) {
        std::vector<long> restarts;
        const long start = host.sample;
        host.run(24000 * 6, 120.0, startPpq, [&](long sample) {
            if (lfo.syncCountdownSeen > lastCountdown) restarts.push_back(sample);
            lastCountdown = lfo.syncCountdownSeen;
        });
        ASSERT_GE(restarts.size(), 5u);
        // Starting the transport or jumping back restarts the cycle at once.
        EXPECT_EQ(restarts[0], start);
        for (size_t i = 1; i < restarts.size(); ++i) {
            const long sinceBeat = (restarts[i] - beatOffset) % 24000;
            EXPECT_GE(sinceBeat, 0) << "restart " << i << " at " << restarts[i];
            EXPECT_LT(sinceBeat, 144) << "restart " << i << " at " << restarts[i];
        }
    };

    expectOnGrid(0.5, 12000);  // transport starts mid-beat
    EXPECT_EQ(lfo.syncSamples, 24000);

    // The host jumps back to the start: the grid follows it.
    host.sample = 0;
    host.toTick = 0;
    expectOnGrid(0.25, 18000);
}

TEST(Lfo, HostTempoZeroOrBelowIsTakenAs120)
{
    Lfo lfo;
    lfo.reset(44100.0, 132);
    lfo.setSync(true);
    lfo.setSpeed(47);
    TransportInfo t;
    for (double tempo : {0.0, -60.0, 0.0004}) {
        t.tempo = tempo;
        lfo.beginBlock(t);
        EXPECT_EQ(lfo.syncLength, 22050.0) << "tempo " << tempo;
        EXPECT_EQ(lfo.syncSamples, 22050);
    }
    t.tempo = 90.0;
    lfo.beginBlock(t);
    EXPECT_EQ(lfo.syncSamples, 29400);
    EXPECT_EQ(lfo.timeInfo, &t);

    // A crawl no host means still gives a countable cycle.
    t.tempo = 0.001;
    lfo.setSpeed(0);
    lfo.beginBlock(t);
    EXPECT_GT(lfo.syncSamples, 0);
}

TEST(Lfo, SyncNoteValueFromSpeed)
{
    EXPECT_EQ(lfoSyncIndex(99), 19);
    EXPECT_EQ(kLfoSyncNames[19], "1/64");
    EXPECT_EQ(lfoSyncIndex(0), 0);
    EXPECT_EQ(kLfoSyncNames[0], "4/1");
    EXPECT_EQ(lfoSyncIndex(47), 9);
    EXPECT_EQ(kLfoSyncNames[9], "1/4");
    EXPECT_EQ(lfoSyncIndex(50), 10);  // 9.6 rounds up
    for (int speed = 1; speed < 100; ++speed) EXPECT_GE(lfoSyncIndex(speed), lfoSyncIndex(speed - 1));

    Lfo lfo;
    lfo.setSpeed(99);
    EXPECT_EQ(lfo.syncIndex, 19);
    lfo.setSpeed(500);  // out of range: held at the fastest speed
    EXPECT_EQ(lfo.speed, 99);
    EXPECT_EQ(lfo.rate, 0.125f);
}

}  // namespace
}  // namespace qor
