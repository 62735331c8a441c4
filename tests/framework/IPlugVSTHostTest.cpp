#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "TestPlug.h"
#include "framework/HostKind.h"

namespace qor {
namespace {

using test::TestPlug;

class IPlugVSTHost : public test::EffectFixture {};

TEST(IPlugVSTHostKind, ProductStringsInOrder)
{
    EXPECT_EQ(HostKindFromProduct("Cubase"), kHostCubase);
    EXPECT_EQ(HostKindFromProduct("CUBASE Pro"), kHostCubase);
    EXPECT_EQ(HostKindFromProduct("Steinberg cUbAsE"), kHostCubase);
    // "cubase" is tried before "live".
    EXPECT_EQ(HostKindFromProduct("Live Cubase"), kHostCubase);
    EXPECT_EQ(HostKindFromProduct("Ableton Live"), kHostLive);
    EXPECT_EQ(HostKindFromProduct("REAPER"), kHostReaper);
    EXPECT_EQ(HostKindFromProduct("Digital Performer"), kHostDigitalPerformer);
    EXPECT_EQ(HostKindFromProduct("Forte 4"), kHostForte);
    EXPECT_EQ(HostKindFromProduct("SAWStudio"), kHostSAWStudio);
    EXPECT_EQ(HostKindFromProduct("OpenMPT"), kHostOpenMPT);
    EXPECT_EQ(HostKindFromProduct("qor-render"), kHostUnknown);
    EXPECT_EQ(HostKindFromProduct(""), kHostUnknown);
    EXPECT_EQ(PackHostVersion(80302), (8 << 16) | (3 << 8) | 2);
    EXPECT_EQ(PackHostVersion(0), 0);
    EXPECT_EQ(PackHostVersion(-5), 0);
}

TEST_F(IPlugVSTHost, HostKindIsAskedOnceAtOpen)
{
    host.product = "Cubase Elements";
    host.vendorVersion = 120004;
    Create();
    EXPECT_EQ(host.productQueries, 0);  // the entry does not ask the host
    Dispatch(vst::effOpen);
    EXPECT_EQ(plug->GetHostKind(), kHostCubase);
    EXPECT_EQ(plug->GetHostVersion(), (12 << 16) | (0 << 8) | 4);
    plug->GetHostKind();
    EXPECT_EQ(host.productQueries, 1);
}

TEST_F(IPlugVSTHost, EmptyProductStringIsUnknownWithoutVersion)
{
    host.vendorVersion = 9999;
    Create();
    EXPECT_EQ(plug->GetHostKind(), kHostUnknown);
    EXPECT_EQ(plug->GetHostVersion(), 0);
}

TEST_F(IPlugVSTHost, SomeHostsGetOnlyTwoInputs)
{
    host.product = "Forte";
    effect = IPlugVST::CreateEffect(&test::TestHostCallback, [](vst::HostCallback h) -> std::unique_ptr<IPlugVST> {
        return std::make_unique<TestPlug>(h, 4, "4-2");
    });
    ASSERT_NE(effect, nullptr);
    plug = test::PlugOf(effect);
    EXPECT_TRUE(plug->IsInChannelConnected(3));
    Dispatch(vst::effOpen);
    EXPECT_TRUE(plug->IsInChannelConnected(0));
    EXPECT_TRUE(plug->IsInChannelConnected(1));
    EXPECT_FALSE(plug->IsInChannelConnected(2));
    EXPECT_FALSE(plug->IsInChannelConnected(3));
    EXPECT_EQ(effect->numInputs, 4);
    EXPECT_EQ(plug->hostIdentified, 1);
}

TEST_F(IPlugVSTHost, ParameterAndProgramNotifications)
{
    Create();
    plug->BeginParamEdit(3);
    plug->SetParameterFromEditor(3, 1.0);
    plug->EndParamEdit(3);
    EXPECT_EQ(host.beginEdits, std::vector<int>{3});
    EXPECT_EQ(host.endEdits, std::vector<int>{3});
    ASSERT_EQ(host.automated.size(), 1u);
    EXPECT_EQ(host.automated[0], (std::pair<int, float>(3, 1.0f)));
    EXPECT_EQ(plug->GetParam(3)->Value(), 1.0);
    EXPECT_EQ(plug->lastParamChanged, 3);
    plug->SetParameterFromEditor(60, 1.0);
    EXPECT_EQ(host.automated.size(), 1u);

    host.automated.clear();
    plug->NotifyHostOfAllParams();
    ASSERT_EQ(host.automated.size(), 60u);
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(host.automated[static_cast<std::size_t>(i)].first, i);
        EXPECT_FLOAT_EQ(host.automated[static_cast<std::size_t>(i)].second,
                        static_cast<float>(plug->GetParam(i)->GetNormalized()));
    }
    plug->NotifyHostOfProgramChange();
    EXPECT_EQ(host.updateDisplays, 1);
}

TEST_F(IPlugVSTHost, EveryBlockAsksForMidi)
{
    Create();
    std::vector<float> left(32), right(32);
    std::array<float*, 2> outs{left.data(), right.data()};
    std::vector<double> dleft(32), dright(32);
    std::array<double*, 2> douts{dleft.data(), dright.data()};
    effect->processReplacing(effect, nullptr, outs.data(), 32);
    effect->process(effect, nullptr, outs.data(), 32);
    effect->processDoubleReplacing(effect, nullptr, douts.data(), 32);
    EXPECT_EQ(host.wantMidi, 3);
    EXPECT_FLOAT_EQ(left[0], 0.5f);  // replaced, then accumulated
    EXPECT_EQ(dright[31], 0.5);
}

TEST_F(IPlugVSTHost, OutgoingEventsWaitForTheProcessCallAndGoOutAsOneListInOrder)
{
    Create();
    IMidiMessage message;
    message.offset = 17;
    message.status = 0xB0;
    message.data1 = 7;
    message.data2 = 127;
    std::array<uint8_t, 7> dump{0xF0, 0x40, 0x00, 0x20, 0x22, 0x01, 0xF7};
    const ISysExMessage sysex{3, static_cast<int32_t>(dump.size()), dump.data()};
    EXPECT_TRUE(plug->SendMidi(&message));
    EXPECT_TRUE(plug->SendSysEx(&sysex));
    dump[1] = 0x7F;  // the caller's bytes may go once sent: a copy waits
    EXPECT_TRUE(host.sent.empty()) << "hosts take events only inside the process call";

    test::HostProcesses(*plug);
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.numEventsSeen, std::vector<int32_t>{2});
    const test::SentEvent& e = host.sent[0];
    EXPECT_EQ(e.type, vst::kVstMidiType);
    EXPECT_EQ(e.byteSize, 32);
    EXPECT_EQ(e.deltaFrames, 17);
    EXPECT_EQ(e.flags, 0);
    EXPECT_EQ(e.noteLength, 0);
    EXPECT_EQ(e.noteOffset, 0);
    EXPECT_EQ(e.bytes, (std::vector<uint8_t>{0xB0, 7, 127, 0, 0, 0, 0, 0}));
    const test::SentEvent& x = host.sent[1];
    EXPECT_EQ(x.type, vst::kVstSysExType);
    EXPECT_EQ(x.byteSize, static_cast<int32_t>(sizeof(vst::VstMidiSysexEvent)));
    EXPECT_EQ(x.deltaFrames, 3);
    EXPECT_EQ(x.resvd1, 0);
    EXPECT_EQ(x.resvd2, 0);
    EXPECT_EQ(x.bytes, (std::vector<uint8_t>{0xF0, 0x40, 0x00, 0x20, 0x22, 0x01, 0xF7}));

    // Sent once: the next block sends nothing.
    test::HostProcesses(*plug);
    EXPECT_EQ(host.numEventsSeen.size(), 1u);

    ISysExMessage broken = sysex;
    broken.size = -1;
    EXPECT_FALSE(plug->SendSysEx(&broken));
    EXPECT_FALSE(plug->SendSysEx(nullptr));
    EXPECT_FALSE(plug->SendMidi(nullptr));
}

TEST_F(IPlugVSTHost, AFullOutgoingQueueRefusesWithoutOverwriting)
{
    Create();
    // SysEx bytes run out first: each message takes a sixteenth of the room.
    std::vector<uint8_t> big(MidiOutQueue::kMaxSysExBytes / 16, 0x11);
    int accepted = 0;
    for (int i = 0; i < 20; ++i) {
        big[1] = static_cast<uint8_t>(i);
        const ISysExMessage message{0, static_cast<int32_t>(big.size()), big.data()};
        if (plug->SendSysEx(&message)) ++accepted;
    }
    EXPECT_EQ(accepted, 16);
    // The event count runs out too, and short messages are refused as well.
    IMidiMessage note;
    note.status = 0x90;
    int notes = 0;
    while (plug->SendMidi(&note) && notes < 2 * MidiOutQueue::kMaxEvents) ++notes;
    EXPECT_EQ(notes, MidiOutQueue::kMaxEvents - 16);

    test::HostProcesses(*plug);
    ASSERT_EQ(host.sent.size(), static_cast<size_t>(MidiOutQueue::kMaxEvents));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(host.sent[static_cast<size_t>(i)].bytes[1], i) << "the first ones stay";
    // Room again once the host has them.
    EXPECT_TRUE(plug->SendMidi(&note));
}

TEST_F(IPlugVSTHost, NothingIsSentWhileTheHostDoesNotProcess)
{
    Create();
    plug->midiThru = true;
    Dispatch(vst::effMainsChanged, 0, 1);
    vst::VstMidiEvent note{};
    note.type = vst::kVstMidiType;
    note.byteSize = sizeof(note);
    note.deltaFrames = 9;
    note.midiData[0] = static_cast<char>(0x80);
    note.midiData[1] = 64;
    vst::VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<vst::VstEvent*>(&note);
    Dispatch(vst::effProcessEvents, 0, 0, &events);
    Dispatch(vst::effMainsChanged, 0, 0);
    note.midiData[1] = 65;
    Dispatch(vst::effProcessEvents, 0, 0, &events);
    Dispatch(vst::effIdle);
    EXPECT_TRUE(host.sent.empty());

    // Both thru copies go out with the first block after the host resumes.
    Dispatch(vst::effMainsChanged, 0, 1);
    std::vector<float> left(8), right(8);
    std::array<float*, 2> outs{left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outs.data(), 8);
    ASSERT_EQ(host.sent.size(), 2u);
    EXPECT_EQ(host.sent[0].deltaFrames, 9);
    EXPECT_EQ(host.sent[0].bytes[0], 0x80);
    EXPECT_EQ(host.sent[0].bytes[1], 64);
    EXPECT_EQ(host.sent[1].bytes[1], 65);
}

TEST_F(IPlugVSTHost, TransportQueries)
{
    Create();
    // No time record: the caller's defaults stay.
    ITimeInfo info;
    plug->GetTimeInfo(info);
    EXPECT_EQ(info.tempo, 120.0);
    EXPECT_EQ(info.samplePos, -1.0);
    EXPECT_EQ(plug->GetSamplePosition(), 0);
    EXPECT_EQ(plug->GetTempo(), 0.0);

    host.hasTime = true;
    host.time.samplePos = 44100.5;
    host.time.ppqPos = 8.5;
    host.time.tempo = 96.0;
    host.time.barStartPos = 8.0;
    host.time.cycleStartPos = 4.0;
    host.time.cycleEndPos = 12.0;
    host.time.timeSigNumerator = 7;
    host.time.timeSigDenominator = 8;
    host.time.flags = 0x3E00 | vst::kVstTransportPlaying | vst::kVstTransportCycleActive;
    plug->GetTimeInfo(info);
    EXPECT_EQ(host.timeRequests.back(), 0x3E00);
    EXPECT_EQ(info.samplePos, 44100.5);
    EXPECT_EQ(info.ppqPos, 8.5);
    EXPECT_EQ(info.tempo, 96.0);
    EXPECT_EQ(info.barStartPos, 8.0);
    EXPECT_EQ(info.cycleStartPos, 4.0);
    EXPECT_EQ(info.cycleEndPos, 12.0);
    EXPECT_EQ(info.numerator, 7);
    EXPECT_EQ(info.denominator, 8);
    EXPECT_TRUE(info.playing);
    EXPECT_TRUE(info.cycleActive);
    EXPECT_EQ(plug->GetSamplePosition(), 44101);
    EXPECT_EQ(plug->GetTempo(), 96.0);
    int num = 0, den = 0;
    plug->GetTimeSignature(num, den);
    EXPECT_EQ(num, 7);
    EXPECT_EQ(den, 8);

    // Only what the host marks valid, and sensible, is taken.
    host.time.flags = vst::kVstPpqPosValid;
    host.time.ppqPos = -1.0;
    host.time.tempo = 0.0;
    ITimeInfo partial;
    plug->GetTimeInfo(partial);
    EXPECT_EQ(partial.samplePos, 44100.5);
    EXPECT_EQ(partial.ppqPos, -1.0);
    EXPECT_EQ(partial.tempo, 120.0);
    EXPECT_EQ(partial.numerator, 4);
    EXPECT_FALSE(partial.playing);
    EXPECT_EQ(plug->GetTempo(), 0.0);
    plug->GetTimeSignature(num, den);
    EXPECT_EQ(num, 0);
    EXPECT_EQ(den, 0);

    host.time.flags = vst::kVstTransportPlaying;  // nothing of 0x3E00
    ITimeInfo untouched;
    plug->GetTimeInfo(untouched);
    EXPECT_EQ(untouched.samplePos, -1.0);
    EXPECT_FALSE(untouched.playing);

    host.time.samplePos = -300.0;
    EXPECT_EQ(plug->GetSamplePosition(), 0);
    host.time.samplePos = 100.4;
    EXPECT_EQ(plug->GetSamplePosition(), 100);

    EXPECT_FALSE(plug->IsOffline());
    host.processLevel = vst::kVstProcessLevelOffline;
    EXPECT_TRUE(plug->IsOffline());
}

TEST_F(IPlugVSTHost, NoHostCallbackIsHarmless)
{
    TestPlug plug(nullptr);
    IMidiMessage message;
    EXPECT_FALSE(plug.SendMidi(&message));
    EXPECT_EQ(plug.GetHostKind(), kHostUnknown);
    EXPECT_FALSE(plug.HostNeedsProgramChunks());
    ITimeInfo info;
    plug.GetTimeInfo(info);
    EXPECT_EQ(info.tempo, 120.0);
    vst::AEffect* effect = plug.GetEffect();
    std::vector<float> left(8), right(8);
    std::array<float*, 2> outs{left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outs.data(), 8);
    EXPECT_FLOAT_EQ(right[7], 0.5f);
}

}  // namespace
}  // namespace qor
