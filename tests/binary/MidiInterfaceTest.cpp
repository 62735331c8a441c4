// MIDI in and out through the binary interface: SysEx split over two host
// events, and the program change the instrument sends when a program is
// selected, both seen at the host's audioMasterProcessEvents.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <vector>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

class BinaryMidi : public BinaryTest {
protected:
    // What the plug-in sent, once the host has processed a block (it hands
    // its output over only inside the process call).
    std::vector<SentEvent> SentOfType(int32_t type)
    {
        host.RenderFrames(64, 64);
        std::vector<SentEvent> out;
        for (SentEvent& e : host.Sent())
            if (e.type == type) out.push_back(std::move(e));
        return out;
    }
};

const std::vector<uint8_t> kIdentify = {0xF0, 0x40, 0x00, 0x60, 0xF7};
const std::vector<uint8_t> kIdentity = {0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0xF7};

TEST_F(BinaryMidi, SysExSplitOverTwoEventsIsAnsweredOnce)
{
    Load();
    // Whole, in one event.
    EventList whole;
    whole.SysEx(0, kIdentify);
    EXPECT_EQ(host.SendEvents(whole), 1);
    auto replies = SentOfType(vst::kVstSysExType);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, kIdentity);
    host.ClearSent();

    // Split after the third byte, with a block rendered in between.
    EventList first;
    first.SysEx(0, {0xF0, 0x40, 0x00});
    EXPECT_EQ(host.SendEvents(first), 1);
    host.RenderFrames(512);
    EXPECT_TRUE(SentOfType(vst::kVstSysExType).empty()) << "nothing before the end of the message";
    EventList second;
    second.SysEx(10, {0x60, 0xF7});
    EXPECT_EQ(host.SendEvents(second), 1);
    host.RenderFrames(512);
    replies = SentOfType(vst::kVstSysExType);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, kIdentity);
    host.ClearSent();

    // Two messages in one event and one message over three events: one reply each.
    EventList twice;
    std::vector<uint8_t> both = kIdentify;
    both.insert(both.end(), kIdentify.begin(), kIdentify.end());
    twice.SysEx(0, both);
    host.SendEvents(twice);
    EventList a, b, c;
    a.SysEx(0, {0xF0});
    b.SysEx(0, {0x40, 0x00, 0x60});
    c.SysEx(0, {0xF7});
    host.SendEvents(a);
    host.SendEvents(b);
    host.SendEvents(c);
    replies = SentOfType(vst::kVstSysExType);
    ASSERT_EQ(replies.size(), 3u);
    for (const SentEvent& r : replies) EXPECT_EQ(r.bytes, kIdentity);
}

TEST_F(BinaryMidi, SysExThatIsNotOursGetsNoReplyAndNoCrash)
{
    Load();
    EventList junk;
    junk.SysEx(0, {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7})  // another maker
        .SysEx(0, {0xF0, 0x40, 0x00, 0x61, 0xF7})        // five bytes, not the request
        .SysEx(0, {0x60, 0xF7})                          // a tail without its head
        .SysEx(0, std::vector<uint8_t>(100000, 0x55));   // no end at all
    EXPECT_EQ(host.SendEvents(junk), 1);
    EXPECT_TRUE(SentOfType(vst::kVstSysExType).empty());
    // The unterminated stream does not swallow what follows: the receiver
    // skips to the next F0, so both requests are answered.
    EventList request;
    request.SysEx(0, kIdentify);
    host.SendEvents(request);
    host.SendEvents(request);
    const auto replies = SentOfType(vst::kVstSysExType);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].bytes, kIdentity);
    EXPECT_LT(PeakOf(host.RenderFrames(2048)), 4.0f);
}

// A program change that came in by MIDI selects the program but is not sent
// back: two instruments joined both ways would otherwise answer each other
// without end. The host hears of the new program all the same.
TEST_F(BinaryMidi, AProgramChangeByMidiSelectsAndIsNotSentBack)
{
    Load();
    const int automationsBefore = host.Automations();
    EventList change;
    change.Midi(0, 0xC0, 5);
    EXPECT_EQ(host.SendEvents(change), 1);
    EXPECT_EQ(host.Dispatch(vst::effGetProgram), 5);
    EXPECT_TRUE(SentOfType(vst::kVstMidiType).empty());
    EXPECT_GE(host.Automations() - automationsBefore, 60) << "the host hears every parameter of the new program";

    // Any channel selects (omni); numbers past the hundred slots are dropped.
    EventList cartridge;
    cartridge.Midi(64, 0xC9, 99).Midi(80, 0xC0, 100).Midi(90, 0xC0, 127);
    host.SendEvents(cartridge);
    EXPECT_EQ(host.Dispatch(vst::effGetProgram), 99);
    EXPECT_TRUE(SentOfType(vst::kVstMidiType).empty());

    // A host program change is not a MIDI selection either: nothing goes out.
    host.SetProgram(7);
    EXPECT_TRUE(SentOfType(vst::kVstMidiType).empty());
}

TEST_F(BinaryMidi, NoProgramChangeOutWhenParameterSysExIsOff)
{
    home.WriteConfig("[MIDI Global]\nSend Parameter SysEx=false\n");
    Load();
    EventList change;
    change.Midi(0, 0xC0, 12);
    host.SendEvents(change);
    EXPECT_EQ(host.Dispatch(vst::effGetProgram), 12);
    EXPECT_TRUE(SentOfType(vst::kVstMidiType).empty());
}

}  // namespace
}  // namespace qor::test::binary

#endif
