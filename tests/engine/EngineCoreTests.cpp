#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "engine/PitchTables.h"

namespace qor {
namespace {

using namespace qor::test;

TEST(EngineCore, ControlPeriodFollowsTheSampleRate)
{
    Engine engine;
    EXPECT_EQ(engine.controlPeriod, 0);  // nothing is due before the first reset
    engine.Reset(44100.0);
    EXPECT_EQ(engine.controlPeriod, 132);
    engine.Reset(48000.0);
    EXPECT_EQ(engine.controlPeriod, 144);
    engine.Reset(96000.0);
    EXPECT_EQ(engine.controlPeriod, 288);
    engine.Reset(44100.9);  // the rate is truncated before the division
    EXPECT_EQ(engine.controlPeriod, 132);
}

TEST(EngineCore, TickCountdownRunsAcrossProcessCalls)
{
    Engine engine;
    engine.Reset(44100.0);
    std::vector<double> l(300, 7.0), r(300, 7.0);

    engine.ProcessBlock(l.data(), r.data(), 0, {});
    EXPECT_EQ(l[0], 7.0);  // a zero-frame call writes nothing
    EXPECT_EQ(engine.samplesToTick, 0);

    engine.ProcessBlock(l.data(), r.data(), 10, {});  // one tick, then 122 to go
    EXPECT_EQ(engine.samplesToTick, 122);
    EXPECT_LT(std::fabs(l[0]), 1e-9);  // silence, up to the filters' anti-denormal offset
    EXPECT_EQ(l[10], 7.0);
    engine.ProcessBlock(l.data(), r.data(), 100, {});
    EXPECT_EQ(engine.samplesToTick, 22);
    engine.ProcessBlock(l.data(), r.data(), 22, {});
    EXPECT_EQ(engine.samplesToTick, 0);
    engine.ProcessBlock(l.data(), r.data(), 300, {});  // ticks at 0, 132, 264
    EXPECT_EQ(engine.samplesToTick, 132 - (300 - 264));
}

TEST(EngineCore, EventsAreQuantisedToControlTicks)
{
    Engine engine;
    prepare(engine);
    const int P = engine.controlPeriod;
    noteOn(engine, 60, 100, 0);
    noteOn(engine, 64, 100, P - 1);
    noteOn(engine, 67, 100, P);
    render(engine, 1);  // the first tick dispatches offsets below one period
    EXPECT_TRUE(engine.heldKeys.IsHeld(60));
    EXPECT_TRUE(engine.heldKeys.IsHeld(64));
    EXPECT_FALSE(engine.heldKeys.IsHeld(67));
    render(engine, P - 1);
    EXPECT_FALSE(engine.heldKeys.IsHeld(67));
    render(engine, 1);  // second tick
    EXPECT_TRUE(engine.heldKeys.IsHeld(67));
}

TEST(EngineCore, ResetKeepsVoicesUnlessTheRateChanges)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kMasterTune, 20);
    noteOn(engine, 60);
    render(engine, 1000);
    ASSERT_TRUE(engine.voices[0].active);
    EXPECT_EQ(engine.noteSerial, 1);

    engine.Reset(44100.0);  // same rate: only the serial and the queue
    EXPECT_EQ(engine.noteSerial, 0);
    EXPECT_TRUE(engine.voices[0].active);
    EXPECT_EQ(engine.voices[0].masterTune, 20);
    EXPECT_GT(rms(render(engine, 1000).left), 0.0);

    engine.Reset(48000.0);  // a new rate silences everything but keeps the settings
    EXPECT_FALSE(engine.voices[0].active);
    EXPECT_EQ(engine.voices[0].masterTune, 20);
    EXPECT_LT(rms(render(engine, 1000).left), 1e-9);
}

TEST(EngineCore, KeysFoldIntoTheSoundingRange)
{
    Engine engine;
    prepare(engine);
    auto sounding = [&](int note) {
        noteOn(engine, note);
        render(engine, engine.controlPeriod);
        const Voice* v = nullptr;
        for (const Voice& voice : engine.voices)
            if (voice.note == note && voice.gate) v = &voice;
        EXPECT_NE(v, nullptr);
        const int pitch = v ? v->targetPitch : -1;
        engine.AllNotesOff();
        return pitch / 128;
    };
    EXPECT_EQ(sounding(0), 24);
    EXPECT_EQ(sounding(23), 35);
    EXPECT_EQ(sounding(11), 35);
    EXPECT_EQ(sounding(104), 104);
    EXPECT_EQ(sounding(105), 93);
    EXPECT_EQ(sounding(127), 103);
    engine.SetParameterValue(kRange, 2);  // 4': fold above 97 into 86..97
    EXPECT_EQ(sounding(97), 97);
    EXPECT_EQ(sounding(98), 86);
    EXPECT_EQ(sounding(110), 86);
    // The voice keeps the key's own number.
    noteOn(engine, 0);
    render(engine, engine.controlPeriod);
    bool found = false;
    for (const Voice& v : engine.voices) found |= (v.gate && v.note == 0);
    EXPECT_TRUE(found);
}

TEST(EngineCore, OscillatorPitchesBeyondTheTableUseItsEndEntries)
{
    // Top: note 127 folded to 91 at 4', transposed +6, bent a full octave up,
    // and oscillator 2 two octaves above that.
    Engine high;
    prepare(high);
    high.SetParameterValue(kRange, 2);
    high.SetParameterValue(kTranspose, 6);
    high.SetParameterValue(kPitchBend, 12);
    high.SetParameterValue(kOsc2Coarse, 24);
    send(high, 0xE0, 0x7F, 0x7F);
    noteOn(high, 127);
    render(high, 1);
    const Voice& top = high.voices[0];
    const double p1 = top.rangeOffset + top.pitch + top.masterTune + high.bend;
    ASSERT_LT(p1, kMaxPitch);
    EXPECT_EQ(top.osc1.increment, static_cast<uint32_t>(incrementTable()[static_cast<size_t>(p1)]));
    EXPECT_EQ(top.osc2.increment, static_cast<uint32_t>(incrementTable()[kMaxPitch]));

    // Bottom: note 0 folds up to 24, then 16', -5 and tuned down; oscillator 2
    // two octaves lower still, below pitch 0.
    Engine low;
    prepare(low);
    low.SetParameterValue(kRange, 0);
    low.SetParameterValue(kTranspose, -5);
    low.SetParameterValue(kMasterTune, -50);
    low.SetParameterValue(kOsc2Coarse, -24);
    noteOn(low, 0);
    render(low, 1);
    const Voice& bottom = low.voices[0];
    const double q1 = bottom.rangeOffset + bottom.pitch + bottom.masterTune;
    ASSERT_GT(q1, 0.0);
    ASSERT_LT(q1 + bottom.osc2Coarse, 0.0);
    EXPECT_EQ(bottom.osc1.increment, static_cast<uint32_t>(incrementTable()[static_cast<size_t>(q1)]));
    EXPECT_EQ(bottom.osc2.increment, static_cast<uint32_t>(incrementTable()[0]));
}

TEST(EngineCore, VelocityZeroReleasesAndLevelsFilterWhatIsReceived)
{
    Engine engine;
    prepare(engine);
    noteOn(engine, 60, 90);
    render(engine, 200);
    EXPECT_TRUE(engine.voices[0].gate);
    noteOn(engine, 60, 0);
    render(engine, 200);
    EXPECT_FALSE(engine.voices[0].gate);
    EXPECT_EQ(engine.heldKeys.Count(), 0);

    // Level 1 ("2"): velocity counts, bend and pressure do not.
    engine.SetMidiLevel(1);
    send(engine, 0xE0, 0, 127);
    send(engine, 0xD0, 100, 0);
    render(engine, 200);
    EXPECT_EQ(engine.bend, 0.0);
    EXPECT_EQ(engine.pressure, 0.0);
    // Level 2 ("3") receives them.
    engine.SetMidiLevel(2);
    send(engine, 0xE0, 0, 127);
    send(engine, 0xD0, 127, 0);
    render(engine, 200);
    EXPECT_DOUBLE_EQ(engine.bend, (63.0 * 128.0) / 8192.0 * 256.0);  // two semitones' range
    EXPECT_DOUBLE_EQ(engine.pressure, 1.0);
    // Level 0 ("1"): every note at velocity 100.
    engine.SetMidiLevel(0);
    noteOn(engine, 62, 10);
    render(engine, 200);
    for (const Voice& v : engine.voices) {
        if (v.note == 62 && v.gate) {
            EXPECT_DOUBLE_EQ(v.velocity, 100.0 / 127.0);
        }
    }
}

TEST(EngineCore, OnlyTheActiveVoiceCountIsRendered)
{
    Engine engine;
    prepare(engine);
    engine.SetParameterValue(kVoices, 0);  // one voice
    EXPECT_EQ(engine.activeVoices, 1);
    noteOn(engine, 60);
    noteOn(engine, 64);
    render(engine, 500);
    EXPECT_EQ(engine.voices[0].note, 64);  // one voice plays mono
    for (size_t i = 1; i < engine.voices.size(); ++i) EXPECT_FALSE(engine.voices[i].active) << i;
}

TEST(EngineCore, ControllersOtherThanThePedalGoToTheListener)
{
    struct Recorder : ControllerListener {
        std::vector<std::pair<int, int>> seen;
        void ControllerChanged(int c, int v) override { seen.emplace_back(c, v); }
    } recorder;
    Engine engine;
    prepare(engine);
    engine.SetControllerListener(&recorder);
    send(engine, 0xB0, 1, 64);
    send(engine, 0xB3, 64, 127);  // any channel: the instrument listens in omni
    send(engine, 0xB0, 20, 5);
    render(engine, 10);
    EXPECT_EQ(recorder.seen, (std::vector<std::pair<int, int>>{{1, 64}, {20, 5}}));
    EXPECT_EQ(engine.sustainPedal, 1);
}

}  // namespace
}  // namespace qor
