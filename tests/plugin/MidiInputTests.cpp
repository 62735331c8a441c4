#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <vector>

#include "engine/ParameterIndex.h"
#include "programs/SysExCodec.h"
#include "tests/plugin/PlugFixture.h"

namespace qor {
namespace {

using MidiInput = test::PlugFixture;

const Voice* voiceWithNote(const QOR& q, int note)
{
    for (const Voice& v : q.engine.voices)
        if (v.active && v.note == note) return &v;
    return nullptr;
}

TEST_F(MidiInput, LowestLevelPlaysEveryNoteAtVelocity100)
{
    plug->SetMidiLevel(0);
    Midi(0x90, 60, 30);
    Render();
    const Voice* v = voiceWithNote(*plug, 60);
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->velocity, 100.0 / 127.0);

    plug->SetMidiLevel(1);
    Midi(0x93, 64, 30);  // any channel
    Render();
    v = voiceWithNote(*plug, 64);
    ASSERT_NE(v, nullptr);
    EXPECT_DOUBLE_EQ(v->velocity, 30.0 / 127.0);
}

TEST_F(MidiInput, ModulationWheelNeedsLevel3AndSweepsHalfOfLfoToOsc)
{
    plug->SetMidiLevel(1);
    Midi(0xB0, 1, 127);
    Render();
    EXPECT_EQ(Value(kLfoToOsc), 0.0);

    plug->SetMidiLevel(2);
    Midi(0xB0, 1, 127);
    Render();
    EXPECT_EQ(Value(kLfoToOsc), 15.0);
    Midi(0xB5, 1, 64);
    Render();
    EXPECT_EQ(Value(kLfoToOsc), 8.0);  // 64/127 * 15/31 * 31 = 7.56, rounded to the step
}

TEST_F(MidiInput, ProgramChangesNeedLevel4AndStayBelow100)
{
    plug->SetMidiLevel(2);
    Midi(0xC0, 12, 0);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 0);

    plug->SetMidiLevel(3);
    Midi(0xC0, 99, 0);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 99);
    Midi(0xC0, 100, 0);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 99);

    plug->ignoreProgramChange = true;
    Midi(0xC0, 5, 0);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 99);
}

TEST_F(MidiInput, SysExIsCollectedOnlyAtLevel5AndHandedOverWhenF7Arrives)
{
    const std::vector<uint8_t> first{0xF0, 0x40, 0x00, 0x10, 0x00};
    const std::vector<uint8_t> second{0x01, 0x0A, 0x04, 0x00, 0xF7};

    plug->SetMidiLevel(3);
    SysEx(first);
    EXPECT_TRUE(plug->sysexBuffer.empty());

    plug->SetMidiLevel(4);
    SysEx(first);
    EXPECT_EQ(plug->sysexBuffer, first);  // waits for the rest
    SysEx(second);
    EXPECT_TRUE(plug->sysexBuffer.empty());  // the receiver took the whole message
}

TEST_F(MidiInput, SysExSplitOverTwoEventsIsAnsweredOnce)
{
    SysEx({0xF0, 0x40});
    SysEx({0x00, 0x60, 0xF7});
    const auto sent = SentSysEx();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<uint8_t>{0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0xF7}));
}

TEST_F(MidiInput, AnUnterminatedSysExNeverGrowsPastTheCap)
{
    std::vector<uint8_t> chunk(10000, 0x11);
    chunk[0] = 0xF0;
    for (int i = 0; i < 30; ++i) {
        SysEx(chunk);
        ASSERT_LE(plug->sysexBuffer.size(), QOR::kMaxSysExBytes);
    }
    EXPECT_LE(plug->sysexBuffer.capacity(), QOR::kMaxSysExBytes);
    // The end of the endless message is skipped and the next one still arrives.
    SysEx({0x11, 0xF7, 0xF0, 0x40, 0x00, 0x60, 0xF7});
    EXPECT_TRUE(plug->sysexBuffer.empty());
    const auto sent = SentSysEx();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][3], 0x01);
}

TEST_F(MidiInput, ThruCopiesEverythingBeforeFiltering)
{
    plug->midiThru = true;
    plug->SetMidiLevel(0);
    Midi(0xA2, 60, 33);   // polyphonic pressure: ignored by the instrument
    Midi(0xB0, 121, 0);   // reset all controllers: ignored
    Midi(0xF8, 0, 0);     // not a channel message
    SysEx({0xF0, 0x7E, 0x00, 0xF7});
    const auto midi = SentMidi();
    ASSERT_EQ(midi.size(), 3u);
    EXPECT_EQ(midi[0], (std::array<uint8_t, 3>{0xA2, 60, 33}));
    EXPECT_EQ(midi[1], (std::array<uint8_t, 3>{0xB0, 121, 0}));
    EXPECT_EQ(midi[2], (std::array<uint8_t, 3>{0xF8, 0, 0}));
    const auto sysex = SentSysEx();
    ASSERT_EQ(sysex.size(), 1u);
    EXPECT_EQ(sysex[0], (std::vector<uint8_t>{0xF0, 0x7E, 0x00, 0xF7}));
    EXPECT_TRUE(plug->engine.Queue().Empty());

    plug->midiThru = false;
    ClearSent();
    Midi(0x90, 60, 100);
    EXPECT_TRUE(SentMidi().empty());
}

TEST_F(MidiInput, QueueingAndTheOffsetAdjustment)
{
    const int p = plug->engine.controlPeriod;
    ASSERT_EQ(p, 132);
    MidiEventQueue& queue = plug->engine.Queue();
    Midi(0xE0, 0, 100, 2 * p + 1);
    Midi(0xE0, 0, 100, 2 * p - 1);
    Midi(0xD0, 50, 0, p);  // not later than the first tick: unchanged
    Midi(0xB0, 7, 10, 2 * p + 1);
    Midi(0xB0, 64, 127, 2 * p + 1);  // the pedal is never adjusted
    Midi(0x91, 60, 0, 2 * p + 1);    // a note on with velocity 0 is a note off
    Midi(0xA0, 60, 10, 0);           // dropped
    Midi(0xB0, 122, 0, 0);           // dropped
    ASSERT_EQ(queue.Size(), 6);
    std::vector<std::pair<int, int>> seen;  // (status, offset) in queue order
    for (int i = 0; i < queue.Size(); ++i) seen.emplace_back(queue.At(i).status, queue.At(i).offset);
    // Continuous controllers later than the first tick move half a period on;
    // the pedal and notes keep their offsets; the queue stays sorted.
    const std::vector<std::pair<int, int>> expected{{0xD0, p},
                                                    {0xB0, 2 * p + 1},
                                                    {0x81, 2 * p + 1},
                                                    {0xE0, 2 * p - 1 + p / 2},
                                                    {0xE0, 2 * p + 1 + p / 2},
                                                    {0xB0, 2 * p + 1 + p / 2}};
    EXPECT_EQ(seen, expected);
}

TEST_F(MidiInput, AnOffsetNearTheLimitIsNotWrappedIntoThePast)
{
    // A host's delta frames are not checked; the half-period shift of a late
    // controller must not overflow into a negative offset due at once.
    MidiEventQueue& queue = plug->engine.Queue();
    Midi(0xE0, 0, 127, INT32_MAX);
    Midi(0xB0, 7, 10, INT32_MAX - 1);
    Midi(0xD0, 90, 0, INT32_MAX - plug->engine.controlPeriod / 2);
    ASSERT_EQ(queue.Size(), 3);
    for (int i = 0; i < queue.Size(); ++i) EXPECT_EQ(queue.At(i).offset, INT32_MAX) << i;
    Render();
    EXPECT_EQ(plug->engine.bend, 0.0);  // still far in the future
    EXPECT_EQ(plug->engine.pressure, 0.0);
}

TEST_F(MidiInput, AllNotesOffAndAllSoundOffActAtOnce)
{
    for (int controller : {120, 123}) {
        Midi(0x90, 60, 100);
        Midi(0x90, 64, 100);
        Midi(0xB0, 64, 127);
        Render();
        ASSERT_EQ(plug->engine.heldKeys.Count(), 2);
        Midi(0xB0, controller, 0, 300);  // not queued: at once
        EXPECT_EQ(plug->engine.heldKeys.Count(), 0) << controller;
        EXPECT_EQ(plug->engine.sustainPedal, 0);
        for (const Voice& v : plug->engine.voices) EXPECT_EQ(v.gate, 0);
    }
}

TEST_F(MidiInput, LearnPairsControllerAndParameterInEitherOrder)
{
    plug->StartMidiLearn(true);
    EXPECT_EQ(plug->infoMessage, kInfoMidiLearn);
    Midi(0xB0, 20, 64);
    EXPECT_TRUE(plug->engine.Queue().Empty());  // a learned controller goes no further
    EXPECT_TRUE(plug->learnActive);
    plug->SetParameterFromEditor(kCutoff, 0.3);
    EXPECT_EQ(plug->controllerMap[20], kCutoff);
    EXPECT_FALSE(plug->learnActive);
    EXPECT_EQ(plug->infoMessage, kInfoVersion);

    // Parameter first; the parameter already on controller 20 leaves it.
    plug->StartMidiLearn(true);
    plug->SetParameterFromEditor(kCutoff, 0.4);
    EXPECT_TRUE(plug->learnActive);
    Midi(0xB0, 30, 0);
    EXPECT_EQ(plug->controllerMap[30], kCutoff);
    EXPECT_EQ(plug->controllerMap[20], -1);
    EXPECT_FALSE(plug->learnActive);
}

TEST_F(MidiInput, WorkingParameterIsNeverLearned)
{
    plug->StartMidiLearn(true);
    plug->SetParameterFromEditor(kWorkingParameter, 0.5);
    EXPECT_EQ(plug->learnParameter, -1);
    Midi(0xB0, 5, 1);
    EXPECT_TRUE(plug->learnActive);  // still waiting for a parameter
    EXPECT_EQ(plug->controllerMap[5], -1);
    plug->StartMidiLearn(false);
    EXPECT_FALSE(plug->learnActive);
    EXPECT_EQ(plug->infoMessage, kInfoVersion);
}

// A program change, a program chunk or an activation pushes every parameter
// to the engine; none of that is the musician moving a control.
TEST_F(MidiInput, LearnWaitsThroughProgramChangesForTheControlTheMusicianMoves)
{
    plug->StartMidiLearn(true);
    Midi(0xB0, 21, 64);
    Midi(0xC0, 7, 0);
    plug->OnActivate(true);
    IChunk state;
    plug->SerializeState(state);
    plug->UnserializeState(state, 0);
    EXPECT_TRUE(plug->learnActive);
    EXPECT_EQ(plug->controllerMap[21], -1);
    plug->SetParameterFromEditor(kResonance, 0.5);
    EXPECT_EQ(plug->controllerMap[21], kResonance);
    EXPECT_FALSE(plug->learnActive);
}

TEST_F(MidiInput, UnlearnClearsAControllerOrEveryControllerOfAParameter)
{
    plug->controllerMap[10] = kResonance;
    plug->controllerMap[11] = kResonance;
    plug->controllerMap[12] = kCutoff;

    plug->StartMidiUnlearn(true);
    EXPECT_EQ(plug->infoMessage, kInfoMidiUnlearn);
    plug->SetParameterFromEditor(kResonance, 0.2);
    EXPECT_EQ(plug->controllerMap[10], -1);
    EXPECT_EQ(plug->controllerMap[11], -1);
    EXPECT_EQ(plug->controllerMap[12], kCutoff);
    EXPECT_FALSE(plug->learnActive);
    EXPECT_FALSE(plug->learnRemove);
    EXPECT_EQ(plug->infoMessage, kInfoVersion);

    plug->StartMidiUnlearn(true);
    Midi(0xB0, 12, 0);
    EXPECT_EQ(plug->controllerMap[12], -1);
    EXPECT_FALSE(plug->learnActive);
}

TEST_F(MidiInput, LearnedControllersActAtEveryLevelUnlessTheValueIsUnchanged)
{
    plug->controllerMap[7] = kCutoff;
    plug->controllerMap[8] = 500;  // a hand-edited file: ignored where used
    plug->SetMidiLevel(0);
    plug->sendParameterSysEx = false;
    Midi(0xB0, 7, 127);
    Midi(0xB0, 8, 127);
    Render();
    EXPECT_EQ(Value(kCutoff), 99.0);
    EXPECT_EQ(SentSysEx().size(), 1u);  // the hardware's parameters always go out
    EXPECT_TRUE(plug->programEdited);

    ClearSent();
    Midi(0xB0, 7, 127);
    Render();
    EXPECT_TRUE(SentSysEx().empty());
}

TEST_F(MidiInput, ChangeParameterSendsTheHardwareParameters)
{
    plug->sendParameterSysEx = false;
    for (int index = kRange; index <= kVcfFreqOffset; ++index) {
        ClearSent();
        plug->programEdited = false;
        const ParamRange& r = paramRanges[static_cast<size_t>(index)];
        plug->ChangeParameter(index, r.max, false);
        const size_t expected = sysex::ParameterChangeNumber(index) >= 0 ? 1 : 0;
        EXPECT_EQ(SentSysEx().size(), expected) << index;
        EXPECT_TRUE(plug->programEdited) << index;
    }
    for (int index : {kVolume, kPortamento, kMono, kOsc1Wave, kLfoSync, kReserved1}) {
        ClearSent();
        plug->programEdited = false;
        plug->ChangeParameter(index, 1.0, true);
        EXPECT_TRUE(SentSysEx().empty()) << index;
        EXPECT_FALSE(plug->programEdited) << index;
    }
}

TEST_F(MidiInput, CutoffSendsOnceOrTwiceAndOsc1WaveOnlyWithTheSetting)
{
    plug->sendParameterSysEx = false;
    plug->ChangeParameter(kCutoff, 64, false);
    auto sent = SentSysEx();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (std::vector<uint8_t>{0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 0x0A, 0x04, 0x00, 0xF7}));

    ClearSent();
    plug->sendParameterSysEx = true;
    plug->ChangeParameter(kCutoff, 65, false);
    sent = SentSysEx();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], sent[1]);
    EXPECT_EQ(sysex::DecodeNibbles(sent[0][7], sent[0][8]), 65);

    ClearSent();
    plug->programEdited = false;
    plug->ChangeParameter(kOsc1Wave, 12, false);
    EXPECT_EQ(SentSysEx().size(), 1u);
    plug->sendParameterSysEx = false;
    plug->ChangeParameter(kOsc1Wave, 13, false);
    EXPECT_EQ(SentSysEx().size(), 1u);
    EXPECT_FALSE(plug->programEdited);

    // Portamento goes out under "Porta Speed"'s number with the shared byte.
    ClearSent();
    plug->sendParameterSysEx = true;
    plug->ChangeParameter(kPortaSpeed, 20, false);
    ClearSent();
    plug->ChangeParameter(kPortamento, 1, false);
    sent = SentSysEx();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][6], 3);
    EXPECT_EQ(sysex::DecodeNibbles(sent[0][7], sent[0][8]), 0x80 | 20);
}

TEST_F(MidiInput, ChangeParameterClampsAndTellsTheHost)
{
    plug->ChangeParameter(kCutoff, 150, false);
    EXPECT_EQ(Value(kCutoff), 99.0);
    plug->ChangeParameter(kKbVcf, -40, false);
    EXPECT_EQ(Value(kKbVcf), -15.0);
    std::lock_guard<std::mutex> guard(host.mutex);
    ASSERT_EQ(host.automated.size(), 2u);
    EXPECT_EQ(host.automated[0].first, kCutoff);
    EXPECT_FLOAT_EQ(host.automated[0].second, 1.0f);
    EXPECT_EQ(host.automated[1].first, kKbVcf);
    EXPECT_FLOAT_EQ(host.automated[1].second, 0.0f);
}

TEST_F(MidiInput, NothingIsEchoedWhileConstructing)
{
    plug->suppressParameterEcho = true;
    plug->ChangeParameter(kCutoff, 70, false);
    plug->ChangeParameter(kResonance, 1.0, true);  // a normalized value is dropped
    plug->SetParameterFromEditor(kLevel, 0.0);
    EXPECT_EQ(Value(kCutoff), 70.0);
    EXPECT_EQ(Value(kResonance), 0.0);
    EXPECT_TRUE(SentSysEx().empty());
    EXPECT_FALSE(plug->programEdited);
    std::lock_guard<std::mutex> guard(host.mutex);
    ASSERT_EQ(host.automated.size(), 1u);  // only the editor's own change reaches the host
    EXPECT_EQ(host.automated[0].first, kLevel);
}

TEST_F(MidiInput, ARealConstructionTellsTheHostNothing)
{
    // Through the entry, with settings that send everything once construction is over.
    std::ofstream(plug->configPath, std::ios::binary)
        << "[Global]\nWrite Protect=false\nK3 Function=5\n[MIDI Global]\nMIDI Thru=true\n"
           "Send Parameter SysEx=true\n[MIDI Control]\nCC7=17\n";
    ClearSent();
    vst::AEffect* effect = IPlugVST::CreateEffect<QOR>(&test::TestHostCallback);
    ASSERT_NE(effect, nullptr);
    test::HostProcesses(effect);
    {
        std::lock_guard<std::mutex> guard(host.mutex);
        EXPECT_TRUE(host.sent.empty());
        EXPECT_TRUE(host.automated.empty());
        EXPECT_TRUE(host.beginEdits.empty());
        // (Loading the factory bank does announce a program change; that is
        // no parameter change.)
    }
    // The settings were read, and from now on changes do go out.
    auto* made = static_cast<QOR*>(effect->object);
    EXPECT_TRUE(made->midiThru);
    EXPECT_EQ(made->controllerMap[7], 17);
    made->ChangeParameter(kCutoff, 70, false);
    test::HostProcesses(effect);
    EXPECT_FALSE(SentSysEx().empty());
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace qor
