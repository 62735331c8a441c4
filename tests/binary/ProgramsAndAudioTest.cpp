// Programs as the host lists and selects them, and audio from notes sent
// through effProcessEvents into both process functions.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

class BinaryPrograms : public BinaryTest {};
class BinaryAudio : public BinaryTest {};

TEST_F(BinaryPrograms, HundredNamedSlotsFromTheFactoryBank)
{
    Load();
    const std::vector<std::string> names = host.ProgramNames();
    ASSERT_EQ(names.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        const std::string& name = names[static_cast<size_t>(i)];
        EXPECT_FALSE(name.empty()) << i;
        EXPECT_LE(name.size(), 24u) << i;  // the interface's limit
        char buffer[64] = {};
        EXPECT_EQ(host.Dispatch(vst::effGetProgramNameIndexed, i, 0, buffer), 1) << i;
    }
    // The factory bank lives inside qor.so: first and last of its programs.
    EXPECT_EQ(names[0], "Piano");
    EXPECT_EQ(names[99], "Log Drums");
    EXPECT_EQ(host.Dispatch(vst::effGetProgram), 0);
    EXPECT_EQ(host.ProgramName(), names[0]);

    for (int index : {-1, 100, 1 << 20}) {
        char buffer[64] = "untouched";
        EXPECT_EQ(host.Dispatch(vst::effGetProgramNameIndexed, index, 0, buffer), 0) << index;
        EXPECT_STREQ(buffer, "") << index;
    }
    EXPECT_EQ(host.Dispatch(vst::effGetProgramNameIndexed, 3), 0);  // no buffer
    EXPECT_EQ(host.Dispatch(vst::effGetProgramName), 0);
}

TEST_F(BinaryPrograms, SelectingAndNaming)
{
    home.WriteConfig("[Global]\nWrite Protect=false\n");
    Load();
    const std::vector<std::string> names = host.ProgramNames();
    for (int program : {42, 0, 99, 50, 49}) {
        host.SetProgram(program);
        EXPECT_EQ(host.Dispatch(vst::effGetProgram), program);
        EXPECT_EQ(host.ProgramName(), names[static_cast<size_t>(program)]);
    }
    // Outside the list nothing moves.
    for (int program : {-1, 100, 12345}) {
        host.SetProgram(program);
        EXPECT_EQ(host.Dispatch(vst::effGetProgram), 49) << program;
    }

    // An edit stays with its program when the host moves on and back.
    host.SetProgram(3);
    host.SetParameter(17, 0.0f);
    host.SetProgram(4);
    host.SetProgram(3);
    EXPECT_EQ(host.GetParameter(17), 0.0f);

    // Names: stored in the current slot, cut to the host's 24 characters.
    host.SetProgramName("Renamed");
    EXPECT_EQ(host.ProgramName(), "Renamed");
    EXPECT_EQ(host.ProgramNameIndexed(3), "Renamed");
    host.SetProgramName("A name far longer than any host shows");
    EXPECT_EQ(host.ProgramName(), std::string("A name far longer than any host shows").substr(0, 24));
    EXPECT_EQ(host.Dispatch(vst::effSetProgramName), 0);  // no text: nothing happens
    EXPECT_EQ(host.ProgramName().size(), 24u);
    EXPECT_EQ(host.ProgramNameIndexed(4), names[4]);
}

TEST_F(BinaryPrograms, MemoryProtectionKeepsTheSlots)
{
    // Protection is on by default: the host can neither rename a program nor
    // store edits in it; they are lost when the program is left.
    Load();
    const std::vector<std::string> names = host.ProgramNames();
    host.SetProgram(3);
    const float cutoff = host.GetParameter(17);
    host.SetParameter(17, cutoff > 0.5f ? 0.0f : 1.0f);
    host.SetProgramName("Refused");
    EXPECT_EQ(host.ProgramName(), names[3]);
    host.SetProgram(4);
    host.SetProgram(3);
    EXPECT_EQ(host.GetParameter(17), cutoff);
}

// Renders with one of the two process functions and checks the note's life:
// silence, sound on both channels while held, silence again after release.
void ExpectNoteLife(BinaryHost& host, const std::function<std::vector<float>(int)>& render)
{
    PlainSound(host);
    EXPECT_LT(PeakOf(render(4410)), 1e-4f) << "silent before any note";

    EventList on;
    on.Midi(100, 0x90, 57, 110);
    EXPECT_EQ(host.SendEvents(on), 1);
    const std::vector<float> held = render(22050);
    std::vector<float> left, right;
    for (size_t i = 0; i < held.size(); i += 2) {
        left.push_back(held[i]);
        right.push_back(held[i + 1]);
    }
    EXPECT_LT(PeakOf(held), 4.0f) << "finite and bounded";
    EXPECT_GT(PeakOf(left), 0.01f);
    EXPECT_GT(PeakOf(right), 0.01f);
    EXPECT_LT(PeakOf(std::span(held).first(200)), 1e-4f) << "the note starts at its offset";

    EventList off;
    off.Midi(0, 0x80, 57, 0);
    EXPECT_EQ(host.SendEvents(off), 1);
    const std::vector<float> release = render(44100);
    EXPECT_LT(PeakOf(release), 4.0f);
    EXPECT_LT(PeakOf(std::span(release).last(11025 * 2)), 1e-4f) << "silent again after the release";
}

TEST_F(BinaryAudio, NotesThroughProcessReplacing)
{
    Load();
    const int before = host.WantMidiCalls();
    ExpectNoteLife(host, [&](int frames) { return host.RenderFrames(frames, 441); });
    // The plug-in asks for MIDI before every block.
    EXPECT_EQ(host.WantMidiCalls() - before, (4410 + 22050 + 44100 + 440) / 441);
}

TEST_F(BinaryAudio, NotesThroughProcessDoubleReplacing)
{
    Load(48000.0, 256);
    ExpectNoteLife(host, [&](int frames) {
        std::vector<float> out;
        std::vector<double> left(256), right(256);
        for (int done = 0; done < frames; done += 256) {
            const auto n = static_cast<size_t>(std::min(256, frames - done));
            std::fill(left.begin(), left.end(), std::nan(""));
            std::fill(right.begin(), right.end(), std::nan(""));
            host.RenderDouble(std::span(left).first(n), std::span(right).first(n));
            for (size_t i = 0; i < n; ++i) {
                out.push_back(static_cast<float>(left[i]));
                out.push_back(static_cast<float>(right[i]));
            }
        }
        return out;
    });
}

TEST_F(BinaryAudio, FloatAndDoubleProcessingAgree)
{
    Load();
    BinaryHost other;
    ASSERT_TRUE(other.Create());
    other.Start();
    std::vector<float> viaFloat, viaDouble;
    for (BinaryHost* h : {&host, &other}) {
        PlainSound(*h);
        EventList chord;
        chord.Midi(0, 0x90, 48, 100).Midi(7, 0x90, 55, 80).Midi(300, 0x90, 64, 60).Midi(400, 0xE0, 0, 80);
        h->SendEvents(chord);
    }
    viaFloat = host.RenderFrames(8192);
    std::vector<double> left(512), right(512);
    for (int done = 0; done < 8192; done += 512) {
        other.RenderDouble(left, right);
        for (size_t i = 0; i < 512; ++i) {
            viaDouble.push_back(static_cast<float>(left[i]));
            viaDouble.push_back(static_cast<float>(right[i]));
        }
    }
    ASSERT_EQ(viaFloat.size(), viaDouble.size());
    EXPECT_GT(PeakOf(viaFloat), 0.01f);
    EXPECT_EQ(viaFloat, viaDouble) << "the float path is the double path, rounded";
}

// A new sample rate while active rebuilds what depends on the rate, but the
// program must sound as its parameters say: just like an instance that had the
// new rate before the same parameters reached it.
TEST_F(BinaryAudio, ParametersKeepTheirEffectAcrossARateChange)
{
    static constexpr std::pair<int, const char*> kProgram[] = {
        {2, "50"},  {3, "2"},   {8, "SQUARE"}, {9, "1"},   {11, "5"},  {13, "4"},  {15, "7"},  {16, "4"},
        {17, "70"}, {18, "12"}, {19, "6"},     {20, "8"},  {22, "10"}, {24, "16"}, {29, "24"}, {33, "60"},
        {34, "6"},  {35, "4"},  {37, "3"},     {38, "5"},  {39, "5"},  {44, "7"},  {46, "1"},  {47, "12"},
        {51, "10"}, {52, "-8"},
    };
    Load(44100.0);
    BinaryHost fresh;
    ASSERT_TRUE(fresh.Create());
    fresh.Start(48000.0);
    for (BinaryHost* h : {&host, &fresh}) {
        PlainSound(*h);
        for (const auto& [index, text] : kProgram) EXPECT_EQ(h->SetParameterText(index, text), 1) << index;
    }
    host.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);

    std::vector<float> changed, reference;
    for (auto [h, out] : {std::pair{&host, &changed}, std::pair{&fresh, &reference}}) {
        EventList chord;
        chord.Midi(0, 0x90, 36, 100).Midi(0, 0x90, 60, 90).Midi(200, 0x90, 67, 70);
        h->SendEvents(chord);
        *out = h->RenderFrames(24000);
    }
    EXPECT_GT(PeakOf(reference), 0.01f);
    ASSERT_EQ(changed.size(), reference.size());
    float worst = 0.0f;
    for (size_t i = 0; i < changed.size(); ++i) worst = std::max(worst, std::fabs(changed[i] - reference[i]));
    EXPECT_EQ(worst, 0.0f) << "largest difference after the rate change";
}

TEST_F(BinaryAudio, EventListsTheHostGetsWrong)
{
    Load();
    PlainSound(host);
    EXPECT_EQ(host.Dispatch(vst::effProcessEvents), 0) << "no list";
    EventList empty;
    EXPECT_EQ(host.SendEvents(empty), 1);

    // Offsets outside the block, null entries, a type the plug-in does not
    // know, SysEx without bytes, and a negative count.
    EventList odd;
    odd.Midi(-5, 0x90, 60, 100)
        .Null()
        .Midi(1 << 30, 0x90, 64, 100)
        .Unknown(0)
        .SysEx(0, {})
        .Midi(0, 0xF8)
        .Midi(0, 0x00, 0xFF, 0xFF)
        .Midi(3, 0x90, 200, 255);
    EXPECT_EQ(host.SendEvents(odd), 1);
    vst::VstEvents* list = odd.Get();
    list->numEvents = -3;
    EXPECT_EQ(host.Dispatch(vst::effProcessEvents, 0, 0, list), 1);

    const std::vector<float> out = host.RenderFrames(8192);
    EXPECT_LT(PeakOf(out), 4.0f);
    // Blocks of no frames or fewer than none render nothing; a block longer
    // than the announced block size is rendered whole.
    float* outputs[2] = {nullptr, nullptr};
    effect()->processReplacing(effect(), nullptr, outputs, 0);
    effect()->processReplacing(effect(), nullptr, outputs, -64);
    const std::vector<float> longBlock = host.RenderFrames(3000, 3000);
    EXPECT_LT(PeakOf(longBlock), 4.0f);
    EXPECT_GT(PeakOf(std::span(longBlock).last(200)), 0.01f) << "the notes still sound at its end";
}

}  // namespace
}  // namespace qor::test::binary

#endif
