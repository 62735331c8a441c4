#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestPlug.h"
#include "framework/IGraphics.h"

namespace qor {
namespace {

using test::TestPlug;

class IPlugVSTDispatcher : public test::EffectFixture {};

TEST_F(IPlugVSTDispatcher, EffectRecordAsTheHostSeesIt)
{
    Create();
    EXPECT_EQ(effect->magic, vst::fourCC('V', 's', 't', 'P'));
    EXPECT_EQ(effect->numPrograms, 100);
    EXPECT_EQ(effect->numParams, 60);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0x1130);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->uniqueID, 0x716F2D72);
    EXPECT_EQ(effect->version, 10101);
    EXPECT_NE(effect->dispatcher, nullptr);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    // Every slot starts as "Empty" holding the initial state.
    for (int i = 0; i < 100; ++i) {
        EXPECT_STREQ(plug->GetPresetName(i), "Empty");
        EXPECT_TRUE(plug->GetPresetSlot(i)->initialized);
    }
    EXPECT_EQ(TestPlug::alive, 1);
    Dispatch(vst::effClose);
    effect = nullptr;
    EXPECT_EQ(TestPlug::alive, 0);
}

TEST_F(IPlugVSTDispatcher, FixedAnswers)
{
    Create();
    EXPECT_EQ(Dispatch(vst::effGetVendorVersion), 10101);
    EXPECT_EQ(Dispatch(vst::effGetVstVersion), 2400);
    EXPECT_EQ(Dispatch(vst::effGetPlugCategory), 2);
    EXPECT_EQ(Dispatch(vst::effIdentify), vst::fourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(Dispatch(vst::effCanBeAutomated, 3), 1);
    EXPECT_EQ(Dispatch(vst::effGetTailSize), 0);
    EXPECT_EQ(Dispatch(vst::effStartProcess), 0);
    EXPECT_EQ(Dispatch(9999), 0);
}

TEST_F(IPlugVSTDispatcher, CanDo)
{
    Create();
    auto canDo = [&](const char* what) { return Dispatch(vst::effCanDo, 0, 0, const_cast<char*>(what)); };
    EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(canDo("sendVstEvents"), 1);
    EXPECT_EQ(canDo("sendVstMidiEvent"), 1);
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("hasCockosExtensions"), static_cast<intptr_t>(0xBEEF0000));
    EXPECT_EQ(canDo("hasCockosViewAsConfig"), static_cast<intptr_t>(0xBEEF0000));
    EXPECT_EQ(canDo("bypass"), 0);
    EXPECT_EQ(canDo("ReceiveVstTimeInfo"), 0);
    EXPECT_EQ(canDo(""), 0);
    EXPECT_EQ(Dispatch(vst::effCanDo), 0);
    // A text without terminator is read only up to the bound.
    std::vector<char> unterminated(63, 'a');
    EXPECT_EQ(Dispatch(vst::effCanDo, 0, 0, unterminated.data()), 0);
}

TEST_F(IPlugVSTDispatcher, NamesAndTextsStayWithinTheirBounds)
{
    Create();
    std::array<char, 100> buffer;
    auto fill = [&] { buffer.fill('#'); };
    auto text = [&] { return std::string(buffer.data()); };

    fill();
    EXPECT_EQ(Dispatch(vst::effGetEffectName, 0, 0, buffer.data()), 1);
    EXPECT_EQ(text(), "TestPlug");
    EXPECT_EQ(Dispatch(vst::effGetVendorString, 0, 0, buffer.data()), 1);
    EXPECT_EQ(text(), "Marrowind");
    EXPECT_EQ(Dispatch(vst::effGetProductString, 0, 0, buffer.data()), 1);
    EXPECT_EQ(text(), "Framework Test");
    EXPECT_EQ(Dispatch(vst::effGetEffectName), 0);
    EXPECT_EQ(Dispatch(vst::effGetVendorString), 0);
    EXPECT_EQ(Dispatch(vst::effGetProductString), 0);

    fill();
    Dispatch(vst::effGetParamName, 5, 0, buffer.data());
    EXPECT_EQ(text(), "Voice Allocation Mode");
    EXPECT_EQ(buffer[32], '#');  // never more than 32 bytes
    Dispatch(vst::effGetParamDisplay, 0, 0, buffer.data());
    EXPECT_EQ(text(), "0.50");
    Dispatch(vst::effGetParamDisplay, 2, 0, buffer.data());
    EXPECT_EQ(text(), "OFF");
    Dispatch(vst::effGetParamDisplay, 3, 0, buffer.data());
    EXPECT_EQ(text(), "Wave 1");
    plug->GetParam(4)->Set(2.5);
    Dispatch(vst::effGetParamDisplay, 4, 0, buffer.data());
    EXPECT_EQ(text(), "-2.5");
    plug->GetParam(1)->Set(-7);
    Dispatch(vst::effGetParamDisplay, 1, 0, buffer.data());
    EXPECT_EQ(text(), "-7");
    EXPECT_EQ(buffer[64], '#');
    plug->GetParam(0)->SetLabel("Hz");
    Dispatch(vst::effGetParamLabel, 0, 0, buffer.data());
    EXPECT_EQ(text(), "Hz");
    Dispatch(vst::effGetParamLabel, 2, 0, buffer.data());
    EXPECT_EQ(text(), "");

    // Invalid indices and missing buffers change nothing.
    fill();
    for (int op : {vst::effGetParamName, vst::effGetParamDisplay, vst::effGetParamLabel}) {
        EXPECT_EQ(Dispatch(op, 60, 0, buffer.data()), 0);
        EXPECT_EQ(Dispatch(op, -1, 0, buffer.data()), 0);
        EXPECT_EQ(Dispatch(op, 0), 0);
    }
    EXPECT_EQ(buffer[0], '#');
}

TEST_F(IPlugVSTDispatcher, ProgramsAndTheirNames)
{
    Create();
    std::array<char, 64> name;
    name.fill('#');
    EXPECT_EQ(Dispatch(vst::effGetProgramNameIndexed, 5, 0, name.data()), 1);
    EXPECT_STREQ(name.data(), "Empty");
    EXPECT_EQ(Dispatch(vst::effGetProgramNameIndexed, 100, 0, name.data()), 0);
    EXPECT_STREQ(name.data(), "");
    EXPECT_EQ(Dispatch(vst::effGetProgramNameIndexed, 5), 0);

    char lead[] = "Lead";
    EXPECT_EQ(Dispatch(vst::effSetProgramName, 0, 0, lead), 0);
    EXPECT_EQ(plug->presetsChanged, 1);
    name.fill('#');
    Dispatch(vst::effGetProgramName, 0, 0, name.data());
    EXPECT_STREQ(name.data(), "Lead");

    // A long name without terminator: 24 characters are taken, 24 given back.
    std::array<char, 40> longName;
    longName.fill('N');
    Dispatch(vst::effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(std::string(plug->GetPresetName(0)), std::string(24, 'N'));
    plug->GetPresetSlot(0)->SetName(std::string(60, 'L'));
    name.fill('#');
    Dispatch(vst::effGetProgramName, 0, 0, name.data());
    EXPECT_EQ(std::string(name.data()), std::string(24, 'L'));
    EXPECT_EQ(name[25], '#');
    EXPECT_EQ(Dispatch(vst::effSetProgramName), 0);
    EXPECT_EQ(Dispatch(vst::effGetProgramName), 0);
}

TEST_F(IPlugVSTDispatcher, ChangingProgramKeepsTheLiveStateInTheSlotLeft)
{
    Create();
    effect->setParameter(effect, 1, 0.75f);  // 25
    EXPECT_EQ(Dispatch(vst::effSetProgram, 0, 3), 0);
    EXPECT_EQ(Dispatch(vst::effGetProgram), 3);
    EXPECT_EQ(plug->GetParam(1)->Value(), 0.0);
    Dispatch(vst::effSetProgram, 0, 0);
    EXPECT_EQ(plug->GetParam(1)->Value(), 25.0);
    // Out of range: the live state is stored, nothing else changes.
    Dispatch(vst::effSetProgram, 0, 100);
    Dispatch(vst::effSetProgram, 0, -1);
    EXPECT_EQ(Dispatch(vst::effGetProgram), 0);
}

TEST_F(IPlugVSTDispatcher, SetAndGetParameter)
{
    Create();
    effect->setParameter(effect, 1, 0.506f);
    EXPECT_EQ(plug->GetParam(1)->Value(), 1.0);
    EXPECT_EQ(plug->lastParamChanged, 1);
    EXPECT_FLOAT_EQ(effect->getParameter(effect, 1), 0.51f);
    // The host is not told back about its own change.
    EXPECT_TRUE(host.automated.empty());

    const int changes = plug->paramChanges;
    effect->setParameter(effect, 60, 0.5f);
    effect->setParameter(effect, -1, 0.5f);
    EXPECT_EQ(plug->paramChanges, changes);
    EXPECT_EQ(effect->getParameter(effect, 60), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);
}

TEST_F(IPlugVSTDispatcher, StringToParameter)
{
    Create();
    auto set = [&](int index, const char* text) {
        return Dispatch(vst::effString2Parameter, index, 0, const_cast<char*>(text));
    };
    EXPECT_EQ(set(2, "ON"), 1);
    EXPECT_EQ(plug->GetParam(2)->Value(), 1.0);
    EXPECT_EQ(plug->lastParamChanged, 2);
    EXPECT_EQ(set(2, "on"), 0);
    EXPECT_EQ(plug->GetParam(2)->Value(), 1.0);
    // Numbers are clamped, not snapped.
    EXPECT_EQ(set(0, "0.123"), 1);
    EXPECT_EQ(plug->GetParam(0)->Value(), 0.123);
    EXPECT_EQ(set(1, "99"), 1);
    EXPECT_EQ(plug->GetParam(1)->Value(), 50.0);
    EXPECT_EQ(set(4, "3"), 1);  // negated display reads back negated
    EXPECT_EQ(plug->GetParam(4)->Value(), -3.0);
    EXPECT_EQ(set(1, "loud"), 0);
    EXPECT_EQ(plug->GetParam(1)->Value(), 50.0);
    EXPECT_EQ(Dispatch(vst::effString2Parameter, 1), 1);
    EXPECT_EQ(set(60, "1"), 0);
    EXPECT_EQ(set(-1, "1"), 0);
    std::vector<char> unterminated(63, '7');
    EXPECT_EQ(Dispatch(vst::effString2Parameter, 6, 0, unterminated.data()), 1);
    EXPECT_EQ(plug->GetParam(6)->Value(), 127.0);
}

TEST_F(IPlugVSTDispatcher, PinProperties)
{
    Create();
    vst::VstPinProperties pin{};
    for (int i : {-1, 0, 1, 2}) EXPECT_EQ(Dispatch(vst::effGetInputProperties, i, 0, &pin), 0);
    EXPECT_EQ(Dispatch(vst::effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.label, "Test Left");
    EXPECT_EQ(Dispatch(vst::effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_STREQ(pin.label, "Output 2");
    EXPECT_EQ(Dispatch(vst::effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(Dispatch(vst::effGetOutputProperties, 0), 0);
}

TEST_F(IPlugVSTDispatcher, SpeakerArrangementsConnectTheChannels)
{
    Create();
    vst::VstSpeakerArrangement* in = nullptr;
    vst::VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(Dispatch(vst::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->type, vst::kSpeakerArrEmpty);
    EXPECT_EQ(in->numChannels, 0);
    EXPECT_EQ(out->type, vst::kSpeakerArrStereo);
    EXPECT_EQ(out->numChannels, 2);

    vst::VstSpeakerArrangement mono{};
    mono.type = vst::kSpeakerArrMono;
    mono.numChannels = 1;
    EXPECT_EQ(Dispatch(vst::effSetSpeakerArrangement, 0, 0, &mono), 1);
    EXPECT_TRUE(plug->IsOutChannelConnected(0));
    EXPECT_FALSE(plug->IsOutChannelConnected(1));
    // A disconnected output is silent in the host's buffer, never stale.
    std::vector<float> left(64, 9.0f), right(64, 9.0f);
    std::array<float*, 2> outs{left.data(), right.data()};
    effect->processReplacing(effect, nullptr, outs.data(), 64);
    EXPECT_FLOAT_EQ(left[0], 0.25f);
    EXPECT_FLOAT_EQ(right[0], 0.0f);

    vst::VstSpeakerArrangement stereo{};
    stereo.numChannels = 8;
    EXPECT_EQ(Dispatch(vst::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&stereo), &stereo), 1);
    EXPECT_TRUE(plug->IsOutChannelConnected(1));
    // The arrangements reported stay those of the plug-in.
    EXPECT_EQ(out->numChannels, 2);
}

TEST_F(IPlugVSTDispatcher, LifecycleOpcodesReachTheHooks)
{
    Create();
    EXPECT_EQ(Dispatch(vst::effOpen), 0);
    EXPECT_EQ(plug->paramChanges, 60);
    EXPECT_EQ(plug->hostIdentified, 1);
    Dispatch(vst::effOpen);
    EXPECT_EQ(plug->hostIdentified, 1);  // host identification happens once

    Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(plug->GetSampleRate(), 48000.0);
    Dispatch(vst::effSetBlockSize, 0, 333);
    EXPECT_EQ(plug->GetBlockSize(), 333);
    EXPECT_EQ(plug->resets, 2);
    Dispatch(vst::effMainsChanged, 0, 1);
    Dispatch(vst::effMainsChanged, 0, 0);
    EXPECT_EQ(plug->activations, (std::vector<bool>{true, false}));
    EXPECT_EQ(plug->resets, 3);
    Dispatch(vst::effEditIdle);
    Dispatch(vst::effIdle);
    EXPECT_EQ(plug->idles, 2);
    // No editor: the editor opcodes answer 0.
    vst::ERect* rect = nullptr;
    EXPECT_EQ(Dispatch(vst::effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(Dispatch(vst::effEditOpen), 0);
    EXPECT_EQ(Dispatch(vst::effEditClose), 0);
}

TEST_F(IPlugVSTDispatcher, AttachedEditorIsAnnounced)
{
    Create();
    // The portable editor: no window, but a size the host is told.
    IGraphics editor(*plug, 1024, 600);
    plug->AttachEditor(&editor);
    EXPECT_EQ(effect->flags, 0x1131);
    vst::ERect* rect = nullptr;
    EXPECT_EQ(Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 600);
    EXPECT_EQ(rect->right, 1024);
    EXPECT_EQ(Dispatch(vst::effEditGetRect), 0);
    plug->ResizeEditor(800, 500);
    EXPECT_EQ(rect->right, 800);
    EXPECT_EQ(Dispatch(vst::effEditClose), 1);
    plug->AttachEditor(nullptr);
    EXPECT_EQ(effect->flags, 0x1130);
    plug->SetLatency(64);
    EXPECT_EQ(effect->initialDelay, 64);
}

TEST_F(IPlugVSTDispatcher, MidiKeyNamesAndVendorSpecificQueries)
{
    Create();
    vst::MidiKeyName key{};
    key.thisKeyNumber = 60;
    EXPECT_EQ(Dispatch(vst::effGetMidiKeyName, 0, 0, &key), 1);
    EXPECT_STREQ(key.keyName, "Middle C");
    key.thisKeyNumber = 61;
    EXPECT_EQ(Dispatch(vst::effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_STREQ(key.keyName, "");
    EXPECT_EQ(Dispatch(vst::effGetMidiKeyName), 0);

    char text[64] = "untouched";
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 7, 0, text, 0.25f), 0xBEEF);
    EXPECT_STREQ(text, "0.25");
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 7, 2, text, 1.0f), 0xBEEF);
    EXPECT_STREQ(text, "ON");
    std::strcpy(text, "untouched");
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 7, 99, text, 0.5f), 0xBEEF);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 7, 0, nullptr, 0.5f), 0);
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 8, 1), 0xBEEF);
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 8, 2), 0xBEEF);
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 8, 0), 0);
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 8, 60), 0);
    EXPECT_EQ(Dispatch(vst::effVendorSpecific, 3, 1), 0);
}

TEST_F(IPlugVSTDispatcher, EventsReachTheMidiAndSysExHooks)
{
    Create();
    vst::VstMidiEvent note{};
    note.type = vst::kVstMidiType;
    note.byteSize = sizeof(note);
    note.deltaFrames = 5;
    note.midiData[0] = static_cast<char>(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = 100;
    std::array<char, 6> dump{static_cast<char>(0xF0), 0x40, 0x00, 0x10, 0x22, static_cast<char>(0xF7)};
    vst::VstMidiSysexEvent sysex{};
    sysex.type = vst::kVstSysExType;
    sysex.byteSize = sizeof(sysex);
    sysex.deltaFrames = 7;
    sysex.dumpBytes = static_cast<int32_t>(dump.size());
    sysex.sysexDump = dump.data();
    vst::VstMidiSysexEvent broken = sysex;
    broken.dumpBytes = -3;
    vst::VstEvent other{};
    other.type = 3;

    // The host's list carries numEvents entries past the two declared ones.
    struct {
        int32_t numEvents;
        intptr_t reserved;
        std::array<vst::VstEvent*, 5> events;
    } list{5, 0, {reinterpret_cast<vst::VstEvent*>(&note), nullptr, &other,
                  reinterpret_cast<vst::VstEvent*>(&broken), reinterpret_cast<vst::VstEvent*>(&sysex)}};
    static_assert(offsetof(decltype(list), events) == offsetof(vst::VstEvents, events));

    EXPECT_EQ(Dispatch(vst::effProcessEvents, 0, 0, &list), 1);
    ASSERT_EQ(plug->midiIn.size(), 1u);
    EXPECT_EQ(plug->midiIn[0].offset, 5);
    EXPECT_EQ(plug->midiIn[0].status, 0x90);
    EXPECT_EQ(plug->midiIn[0].data1, 60);
    EXPECT_EQ(plug->midiIn[0].data2, 100);
    ASSERT_EQ(plug->sysexIn.size(), 1u);
    EXPECT_EQ(plug->sysexOffsets[0], 7);
    EXPECT_EQ(plug->sysexIn[0], (std::vector<uint8_t>{0xF0, 0x40, 0x00, 0x10, 0x22, 0xF7}));
    EXPECT_EQ(Dispatch(vst::effProcessEvents), 0);
    list.numEvents = -4;
    EXPECT_EQ(Dispatch(vst::effProcessEvents, 0, 0, &list), 1);
    EXPECT_EQ(plug->midiIn.size(), 1u);
}

TEST_F(IPlugVSTDispatcher, EntryRefusesFailingConstruction)
{
    EXPECT_EQ(IPlugVST::CreateEffect(&test::TestHostCallback, nullptr), nullptr);
    EXPECT_EQ(IPlugVST::CreateEffect(&test::TestHostCallback,
                                     [](vst::HostCallback) -> std::unique_ptr<IPlugVST> { return nullptr; }),
              nullptr);
    EXPECT_EQ(IPlugVST::CreateEffect(&test::TestHostCallback,
                                     [](vst::HostCallback) -> std::unique_ptr<IPlugVST> {
                                         throw std::runtime_error("no memory for voices");
                                     }),
              nullptr);
    // A plug-in without presets still reports one program.
    vst::AEffect* none = IPlugVST::CreateEffect(&test::TestHostCallback, [](vst::HostCallback h) {
        IPlugConfig config;
        config.nPresets = 0;
        return std::make_unique<IPlugVST>(h, config);
    });
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->numPrograms, 1);
    none->dispatcher(none, vst::effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace qor
