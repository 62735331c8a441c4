// Envelope stage timing and shape, stepped tick by tick as a voice does.
#include "engine/Envelope.h"
#include "engine/EnvelopeCurves.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

// Steps until the envelope leaves `stage` (or the limit), returning the ticks.
int ticksIn(Envelope& env, int stage, int limit = 100000)
{
    int ticks = 0;
    while (env.stage == stage && ticks < limit) {
        env.step();
        ++ticks;
    }
    return ticks;
}

// Attack rate 0, decay rate 0, full sustain: a note that is at 1.0 after two ticks.
template <class Env>
Env heldAtFullLevel()
{
    Env env;
    env.setSustain(31);
    env.gateOn();
    env.step();
    env.step();
    return env;
}

TEST(Envelope, AttackRateZeroReachesFullLevelOnTheSecondTick)
{
    EnvelopeVCA env;
    env.setAttack(0);
    env.setDecay(10);
    env.setRelease(20);
    env.gateOn();
    env.step();  // the note start's own tick: still the start level
    EXPECT_EQ(env.level, 0.0f);
    EXPECT_GE(env.phase, 1.0f);
    EXPECT_EQ(env.stage, Envelope::kAttack);
    env.step();
    EXPECT_EQ(env.level, 1.0f);
    EXPECT_EQ(env.stage, Envelope::kDecay);
    EXPECT_EQ(env.increment, Envelope::kDecayRates[10]);

    // From a level left by a release, the first tick keeps that level.
    env.gateOff();
    for (int i = 0; i < 5; ++i) env.step();
    const float start = env.level;
    ASSERT_GT(start, 0.0f);
    ASSERT_LT(start, 1.0f);
    env.gateOn();
    env.step();
    EXPECT_EQ(env.level, start);
    env.step();
    EXPECT_EQ(env.level, 1.0f);
}

TEST(Envelope, FullSustainHoldsOneThroughTheDecay)
{
    for (int decayRate : {0, 7, 31}) {
        EnvelopeVCA env;
        env.setSustain(31);
        env.setDecay(decayRate);
        env.gateOn();
        env.step();
        for (int i = 0; i < 6000; ++i) {
            env.step();
            ASSERT_FLOAT_EQ(env.level, 1.0f) << "decay rate " << decayRate << " tick " << i;
        }
    }
}

TEST(Envelope, GateOffAtLevelZeroGoesStraightToIdle)
{
    EnvelopeVCF env;
    env.setRelease(31);
    env.gateOff();
    EXPECT_EQ(env.stage, Envelope::kIdle);
    EXPECT_EQ(env.increment, 0.0f);

    // Key up before the attack's first tick: nothing to release.
    env.setAttack(5);
    env.gateOn();
    env.gateOff();
    EXPECT_EQ(env.stage, Envelope::kIdle);
    env.step();
    EXPECT_EQ(env.level, 0.0f);
}

TEST(Envelope, RateChangeMidStageKeepsThePhase)
{
    EnvelopeVCA env;
    env.setAttack(20);
    env.gateOn();
    for (int i = 0; i < 10; ++i) env.step();
    const float phase = env.phase;
    env.setAttack(10);
    EXPECT_EQ(env.phase, phase);
    env.step();
    EXPECT_EQ(env.phase, phase + Envelope::kAttackRates[10]);

    // Decay: only its own rate counts; release and attack rates wait their turn.
    EnvelopeVCF vcf = heldAtFullLevel<EnvelopeVCF>();
    vcf.setSustain(0);
    vcf.setDecay(31);
    vcf.gateOn();
    ticksIn(vcf, Envelope::kAttack);
    for (int i = 0; i < 100; ++i) vcf.step();
    const float decayPhase = vcf.phase;
    vcf.setRelease(0);
    vcf.setAttack(0);
    EXPECT_EQ(vcf.increment, Envelope::kDecayRates[31] * 1.1f);
    vcf.setDecay(12);
    EXPECT_EQ(vcf.phase, decayPhase);
    EXPECT_EQ(vcf.increment, Envelope::kDecayRates[12] * 1.1f);
}

TEST(Envelope, SlowestReleaseLastsAboutTwelveAndAHalfSecondsAndTheFilterRunsTenPercentFaster)
{
    EnvelopeVCA vca = heldAtFullLevel<EnvelopeVCA>();
    vca.setRelease(31);
    vca.gateOff();
    const int vcaTicks = ticksIn(vca, Envelope::kRelease);
    EXPECT_NEAR(vcaTicks, 4174, 2);
    EXPECT_EQ(vca.level, 0.0f);

    for (int rate = 1; rate < 32; ++rate) {
        EnvelopeVCA a = heldAtFullLevel<EnvelopeVCA>();
        EnvelopeVCF f = heldAtFullLevel<EnvelopeVCF>();
        a.setRelease(rate);
        f.setRelease(rate);
        a.gateOff();
        f.gateOff();
        const int aTicks = ticksIn(a, Envelope::kRelease);
        const int fTicks = ticksIn(f, Envelope::kRelease);
        // The last tick only enters the next stage.
        EXPECT_NEAR(aTicks - 1, 1 / Envelope::kDecayRates[size_t(rate)], 1.5) << "rate " << rate;
        EXPECT_NEAR(double(aTicks) / fTicks, 1.1, 2.2 / fTicks) << "rate " << rate;

        // Attack times likewise.
        EnvelopeVCA aa;
        EnvelopeVCF fa;
        aa.setAttack(rate);
        fa.setAttack(rate);
        aa.gateOn();
        fa.gateOn();
        const int aAttack = ticksIn(aa, Envelope::kAttack);
        const int fAttack = ticksIn(fa, Envelope::kAttack);
        EXPECT_NEAR(aAttack - 1, 1 / Envelope::kAttackRates[size_t(rate)], 1.5) << "rate " << rate;
        EXPECT_NEAR(double(aAttack) / fAttack, 1.1, 2.2 / fAttack) << "rate " << rate;
    }
}

TEST(Envelope, ReleaseKeepsItsShapeAtEveryRate)
{
    // Halfway through a release the level is curve(0.5) of where it began,
    // whatever the rate; the level never rises.
    for (int rate : {8, 20, 31}) {
        EnvelopeVCA env = heldAtFullLevel<EnvelopeVCA>();
        env.setSustain(20);
        env.setDecay(0);
        env.gateOn();
        ticksIn(env, Envelope::kAttack);
        env.step();
        env.step();
        const float start = env.level;
        EXPECT_FLOAT_EQ(start, 20 * Envelope::kSustainStep);
        env.setRelease(rate);
        env.gateOff();
        float previous = start;
        bool checkedHalf = false;
        while (env.stage == Envelope::kRelease) {
            const float phase = env.phase;
            env.step();
            EXPECT_LE(env.level, previous);
            previous = env.level;
            if (!checkedHalf && phase >= 0.5f) {
                EXPECT_NEAR(env.level, env.curve(phase) * start, 1e-6f);
                EXPECT_NEAR(env.level / start, vcaCurve[252], 0.02f) << "rate " << rate;
                checkedHalf = true;
            }
        }
        EXPECT_TRUE(checkedHalf);
        EXPECT_EQ(env.level, 0.0f);
    }
}

TEST(Envelope, RetriggerResumesFromTheCurrentLevel)
{
    EnvelopeVCF env = heldAtFullLevel<EnvelopeVCF>();
    env.setRelease(20);
    env.gateOff();
    for (int i = 0; i < 150; ++i) env.step();
    const float releasing = env.level;
    ASSERT_GT(releasing, 0.05f);
    ASSERT_LT(releasing, 0.9f);

    env.setAttack(12);
    env.gateOn();
    env.step();
    EXPECT_EQ(env.level, releasing);
    float previous = env.level;
    while (env.stage == Envelope::kAttack) {
        env.step();
        EXPECT_GE(env.level, previous);
        previous = env.level;
    }
    EXPECT_EQ(env.level, 1.0f);
}

TEST(Envelope, CurveEndsAndInterpolation)
{
    const EnvelopeVCF vcf;
    const EnvelopeVCA vca;
    for (const Envelope* env : {static_cast<const Envelope*>(&vcf), static_cast<const Envelope*>(&vca)}) {
        EXPECT_EQ(env->curve(-0.001f), 0.0f);
        EXPECT_EQ(env->curve(1.0f), 1.0f);
        EXPECT_EQ(env->curve(7.5f), 1.0f);
        EXPECT_EQ(env->curve(0.0f), 0.999856f);
    }
    // Between rows 2 and 3 of the filter curve, and at the amplifier curve's middle row.
    EXPECT_FLOAT_EQ(vcf.curve(2.5f / 248), (vcfCurve[2] + vcfCurve[3]) / 2);
    EXPECT_FLOAT_EQ(vca.curve(0.5f), vcaCurve[252]);
    EXPECT_NEAR(vcf.curve(0.9999f), vcfCurve[248], 1e-5f);
}

}  // namespace
}  // namespace qor
