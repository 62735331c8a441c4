#include <gtest/gtest.h>

#include "EngineTestUtil.h"

namespace qor {
namespace {

using namespace qor::test;

struct VoiceAllocation : ::testing::Test {
    Engine engine;
    void SetUp() override { prepare(engine); }
    void tick() { render(engine, engine.controlPeriod); }
    void press(int note, int velocity = 100)
    {
        noteOn(engine, note, velocity);
        tick();
    }
    void lift(int note)
    {
        noteOff(engine, note);
        tick();
    }
    int voiceOf(int note) const
    {
        for (size_t i = 0; i < engine.voices.size(); ++i)
            if (engine.voices[i].note == note && engine.voices[i].gate) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(VoiceAllocation, ReassignStealsTheOldestNoteEvenWhenHeld)
{
    for (int n = 0; n < 6; ++n) press(60 + n);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(voiceOf(60 + n), n);
    press(70);  // the seventh key takes voice 0, whose note is the oldest
    EXPECT_EQ(voiceOf(70), 0);
    EXPECT_EQ(voiceOf(60), -1);
    press(71);
    EXPECT_EQ(voiceOf(71), 1);
}

TEST_F(VoiceAllocation, ReassignPrefersTheSameKeyThenAFreeVoice)
{
    press(60);
    press(62);
    press(60);  // the same key retriggers its own voice: it never sounds twice
    EXPECT_EQ(voiceOf(60), 0);
    int count = 0;
    for (const Voice& v : engine.voices) count += (v.note == 60);
    EXPECT_EQ(count, 1);
    press(64);
    EXPECT_EQ(voiceOf(64), 2);
}

TEST_F(VoiceAllocation, RoundRobinCyclesInOrderRegardlessOfFreeVoices)
{
    engine.SetParameterValue(kVoiceAllocationMode, 1);
    press(60);
    lift(60);
    press(62);
    lift(62);
    press(60);
    EXPECT_EQ(engine.voices[0].note, 60);
    EXPECT_EQ(engine.voices[1].note, 62);
    EXPECT_EQ(voiceOf(60), 2);
    for (int n = 0; n < 4; ++n) press(70 + n);
    EXPECT_EQ(voiceOf(73), 0);  // wraps after voice 5
}

TEST_F(VoiceAllocation, MonoLastReturnsToTheLatestHeldKeyWithTheReleasedVelocity)
{
    engine.SetParameterValue(kMono, 1);
    press(60, 50);
    press(64, 60);
    press(67, 110);
    EXPECT_EQ(engine.voices[0].note, 67);
    lift(67);
    EXPECT_EQ(engine.voices[0].note, 64);
    EXPECT_TRUE(engine.voices[0].gate);
    EXPECT_DOUBLE_EQ(engine.voices[0].velocity, 110.0 / 127.0);
    // Restarted from the current level, not from zero.
    EXPECT_GT(engine.voices[0].envVca.level, 0.0f);
    lift(64);
    EXPECT_EQ(engine.voices[0].note, 60);
    lift(60);
    EXPECT_FALSE(engine.voices[0].gate);
}

TEST_F(VoiceAllocation, MonoHighIgnoresLowerKeysUntilTheHighOneIsReleased)
{
    engine.SetParameterValue(kMono, 1);
    engine.SetParameterValue(kPriority, 1);
    press(67);
    press(60);
    EXPECT_EQ(engine.voices[0].note, 67);
    lift(67);
    EXPECT_EQ(engine.voices[0].note, 60);
    EXPECT_TRUE(engine.voices[0].gate);
}

TEST_F(VoiceAllocation, MonoStacksSixDetunedVoicesOrOneWithOneVoice)
{
    engine.SetParameterValue(kMono, 1);
    engine.SetParameterValue(kMonoDetune, 5);
    press(60);
    const int base = engine.voices[0].targetPitch;
    const int offsets[6] = {0, 5, 10, 15, -5, -10};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(engine.voices[static_cast<size_t>(i)].targetPitch, base + offsets[i]) << i;
        EXPECT_TRUE(engine.voices[static_cast<size_t>(i)].gate) << i;
    }
    EXPECT_FALSE(engine.voices[6].gate);

    engine.SetParameterValue(kVoices, 0);
    press(62);
    EXPECT_EQ(engine.voices[0].note, 62);
    EXPECT_NE(engine.voices[1].note, 62);
}

TEST_F(VoiceAllocation, AllNotesOffReleasesEveryVoiceAndForgetsHeldKeys)
{
    engine.SetParameterValue(kVcaRelease, 10);
    send(engine, 0xB0, 64, 127);
    for (int n = 0; n < 4; ++n) press(60 + n);
    engine.AllNotesOff();
    EXPECT_EQ(engine.heldKeys.Count(), 0);
    EXPECT_EQ(engine.sustainPedal, 0);
    for (const Voice& v : engine.voices) {
        EXPECT_FALSE(v.gate);
        EXPECT_NE(v.envVca.stage, Envelope::kAttack);
        EXPECT_NE(v.envVca.stage, Envelope::kDecay);
    }
    EXPECT_TRUE(engine.voices[0].active);  // released, not cut
}

TEST_F(VoiceAllocation, SustainPedalHoldsReleasedKeysUntilItGoesUp)
{
    send(engine, 0xB0, 64, 127);
    press(60);
    lift(60);
    EXPECT_EQ(engine.voices[0].envVca.stage, Envelope::kDecay);  // held by the pedal
    send(engine, 0xB0, 64, 63);  // below half: up
    tick();
    EXPECT_EQ(engine.sustainPedal, 0);
    EXPECT_NE(engine.voices[0].envVca.stage, Envelope::kDecay);
}

TEST_F(VoiceAllocation, PortamentoGlidesFromTheVoicesLastPitchAndLands)
{
    engine.SetParameterValue(kMono, 1);
    press(60);
    lift(60);
    engine.SetParameterValue(kPortamento, 1);
    engine.SetParameterValue(kPortaSpeed, 99);  // the slowest: 2.212 units per tick
    press(62);
    const Voice& v = engine.voices[0];
    EXPECT_DOUBLE_EQ(v.glideStep, 2.212061206120612);
    EXPECT_GT(v.pitch, 60 * 128);
    EXPECT_LT(v.pitch, 62 * 128);
    render(engine, engine.controlPeriod * 200);
    EXPECT_EQ(v.pitch, 62 * 128);
    EXPECT_EQ(v.glideStep, 0.0);
    engine.SetParameterValue(kPortaSpeed, 0);
    press(50);  // downwards at the fastest speed
    EXPECT_NEAR(v.glideStep, -(110.6030603060306 + 2.212061206120612), 1e-9);
}

}  // namespace
}  // namespace qor
