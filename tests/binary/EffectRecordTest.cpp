// The effect record and the dispatcher's fixed answers, read from the built
// qor.so exactly as a host reads them.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

class BinaryEffect : public BinaryTest {};

void ExpectRecord(const vst::AEffect& e)
{
    EXPECT_EQ(e.magic, vst::fourCC('V', 's', 't', 'P'));
    EXPECT_EQ(e.uniqueID, vst::fourCC('q', 'o', '-', 'r'));
    EXPECT_EQ(e.uniqueID, 0x716F2D72);
    EXPECT_EQ(e.version, 10101);
    EXPECT_EQ(e.numInputs, 0);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.numParams, 60);
    EXPECT_EQ(e.numPrograms, 100);
    // Replacing, program chunks, instrument, double replacing; never mono.
    EXPECT_EQ(e.flags & ~vst::effFlagsHasEditor, 0x1130);
    EXPECT_EQ(e.initialDelay, 0);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_NE(e.dispatcher, nullptr);
    EXPECT_NE(e.process, nullptr);
    EXPECT_NE(e.processReplacing, nullptr);
    EXPECT_NE(e.processDoubleReplacing, nullptr);
    EXPECT_NE(e.setParameter, nullptr);
    EXPECT_NE(e.getParameter, nullptr);
    EXPECT_NE(e.object, nullptr);
    EXPECT_EQ(e.user, nullptr);  // the host's field
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_EQ(e.realQualities, 0);
    EXPECT_EQ(e.offQualities, 0);
    const char zeros[sizeof e.future] = {};
    EXPECT_EQ(std::memcmp(e.future, zeros, sizeof zeros), 0);
}

TEST_F(BinaryEffect, RecordAsReturnedByTheEntryAndAfterOpening)
{
    ASSERT_TRUE(host.Create());
    {
        SCOPED_TRACE("straight from VSTPluginMain");
        ExpectRecord(*effect());
    }
    host.Start();
    {
        SCOPED_TRACE("after effOpen and activation");
        ExpectRecord(*effect());
    }
}

TEST_F(BinaryEffect, EditorBitAgreesWithTheEditorRectangle)
{
    Load();
    // Until the editor exists the bit is off and there is no rectangle; once
    // it exists both say so, with the panel's 1024 x 600.
    vst::ERect* rect = nullptr;
    const intptr_t answered = host.Dispatch(vst::effEditGetRect, 0, 0, &rect);
    const bool hasEditor = (effect()->flags & vst::effFlagsHasEditor) != 0;
    EXPECT_EQ(answered, hasEditor ? 1 : 0);
    if (hasEditor) {
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 1024);
        EXPECT_EQ(rect->bottom - rect->top, 600);
    } else {
        EXPECT_EQ(rect, nullptr);
        EXPECT_EQ(host.Dispatch(vst::effEditOpen), 0);
        EXPECT_EQ(host.Dispatch(vst::effEditClose), 0);
    }
    EXPECT_EQ(host.Dispatch(vst::effEditGetRect), 0);  // nowhere to put the address
}

TEST_F(BinaryEffect, IdentityAnswers)
{
    Load();
    EXPECT_EQ(host.Dispatch(vst::effGetVendorVersion), 10101);
    EXPECT_EQ(host.Dispatch(vst::effGetVstVersion), 2400);
    EXPECT_EQ(host.Dispatch(vst::effGetPlugCategory), vst::kPlugCategSynth);
    EXPECT_EQ(host.Dispatch(vst::effIdentify), vst::fourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(host.Dispatch(vst::effCanBeAutomated, 17), 1);
    EXPECT_EQ(host.Dispatch(vst::effGetTailSize), 0);

    EXPECT_EQ(host.DispatchText(vst::effGetEffectName), "QOR");
    EXPECT_EQ(host.DispatchText(vst::effGetVendorString), "Marrowind");
    EXPECT_EQ(host.DispatchText(vst::effGetProductString), "");
    char buffer[256] = "unchanged";
    EXPECT_EQ(host.Dispatch(vst::effGetEffectName, 0, 0, buffer), 1);
    EXPECT_EQ(host.Dispatch(vst::effGetVendorString, 0, 0, buffer), 1);
    EXPECT_EQ(host.Dispatch(vst::effGetProductString, 0, 0, buffer), 1);
    // Without a buffer the text requests fail.
    EXPECT_EQ(host.Dispatch(vst::effGetEffectName), 0);
    EXPECT_EQ(host.Dispatch(vst::effGetVendorString), 0);
    EXPECT_EQ(host.Dispatch(vst::effGetProductString), 0);
    // Opcodes the plug-in does not know answer 0.
    for (int32_t opcode : {9, 16, 20, 43, 44, 59, 77, 1000, -1})
        EXPECT_EQ(host.Dispatch(opcode, 1, 1, buffer, 1.0f), 0) << "opcode " << opcode;
}

TEST_F(BinaryEffect, CanDoStrings)
{
    Load();
    auto canDo = [&](const char* text) { return host.Dispatch(vst::effCanDo, 0, 0, const_cast<char*>(text)); };
    EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
    EXPECT_EQ(canDo("sendVstEvents"), 1);
    EXPECT_EQ(canDo("sendVstMidiEvent"), 1);
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("hasCockosExtensions"), 0xBEEF0000);
    EXPECT_EQ(canDo("hasCockosViewAsConfig"), 0xBEEF0000);
    EXPECT_EQ(canDo("bypass"), 0);
    EXPECT_EQ(canDo("receiveVstSysexEvent"), 0);
    EXPECT_EQ(canDo("RECEIVEVSTTIMEINFO"), 0);  // compared exactly
    EXPECT_EQ(canDo(""), 0);
    EXPECT_EQ(host.Dispatch(vst::effCanDo), 0);
}

TEST_F(BinaryEffect, PinPropertiesAndSpeakerArrangements)
{
    Load();
    vst::VstPinProperties pin{};
    EXPECT_EQ(host.Dispatch(vst::effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "QOR Left");
    EXPECT_EQ(pin.flags, vst::kVstPinIsActive | vst::kVstPinIsStereo);
    pin = {};
    EXPECT_EQ(host.Dispatch(vst::effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "QOR Right");
    EXPECT_EQ(pin.flags, vst::kVstPinIsActive);
    for (int index : {2, -1, 1000}) {
        pin = {};
        EXPECT_EQ(host.Dispatch(vst::effGetOutputProperties, index, 0, &pin), 0) << index;
        EXPECT_EQ(pin.flags, 0);
    }
    for (int index : {0, 1, -1}) EXPECT_EQ(host.Dispatch(vst::effGetInputProperties, index, 0, &pin), 0) << index;
    EXPECT_EQ(host.Dispatch(vst::effGetOutputProperties, 0, 0, nullptr), 0);

    vst::VstSpeakerArrangement* in = nullptr;
    vst::VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(host.Dispatch(vst::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->type, vst::kSpeakerArrEmpty);
    EXPECT_EQ(in->numChannels, 0);
    EXPECT_EQ(out->type, vst::kSpeakerArrStereo);
    EXPECT_EQ(out->numChannels, 2);

    // A host that offers a mono output still gets an answer of 1, and the
    // plug-in keeps rendering into both buffers without touching a third.
    vst::VstSpeakerArrangement mono{};
    mono.type = vst::kSpeakerArrMono;
    mono.numChannels = 1;
    EXPECT_EQ(host.Dispatch(vst::effSetSpeakerArrangement, 0, 0, &mono), 1);
    vst::VstSpeakerArrangement stereo{};
    stereo.type = vst::kSpeakerArrStereo;
    stereo.numChannels = 2;
    EXPECT_EQ(host.Dispatch(vst::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&mono), &stereo), 1);
    EXPECT_EQ(host.Dispatch(vst::effSetSpeakerArrangement), 1);
}

TEST_F(BinaryEffect, VendorSpecificAndKeyNames)
{
    Load();
    char text[256] = {};
    // Cockos: index 7 formats a normalized value of parameter `value`.
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 7, 17, text, 1.0f), 0xBEEF);  // Cutoff
    EXPECT_STREQ(text, "99");
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 7, 1, text, 0.0f), 0xBEEF);  // Output
    EXPECT_STREQ(text, "MONO");
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 7, 60, text, 0.5f), 0xBEEF);
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 7, 17, nullptr, 0.5f), 0);
    // Index 8: whether the parameter steps in whole values.
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 8, 17), 0xBEEF);  // Cutoff, integer
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 8, 1), 0xBEEF);   // Output, enumerated
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 8, 0), 0);        // Volume, continuous
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 8, 60), 0);
    EXPECT_EQ(host.Dispatch(vst::effVendorSpecific, 3, 17, text), 0);

    vst::MidiKeyName key{};
    key.thisKeyNumber = 60;
    std::strcpy(key.keyName, "stale");
    EXPECT_EQ(host.Dispatch(vst::effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_STREQ(key.keyName, "");
    EXPECT_EQ(host.Dispatch(vst::effGetMidiKeyName), 0);
}

}  // namespace
}  // namespace qor::test::binary

#endif
