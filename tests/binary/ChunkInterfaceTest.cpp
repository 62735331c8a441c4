// Host state chunks through effGetChunk / effSetChunk: their bytes, round
// trips into a second instance, and chunks that are not ours.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "BinaryHost.h"
#include "ChunkLayout.h"

namespace qor::test::binary {
namespace {

// Memory protection off, so that names and edits can be stored in the slots.
constexpr const char* kUnprotected = "[Global]\nWrite Protect=false\n";

class BinaryChunks : public BinaryTest {
protected:
    // Sets a recognisable program: a few parameters moved away from anything
    // a factory program would hold.
    static void Edit(BinaryHost& h, float seed)
    {
        h.SetParameter(0, 0.37f * seed);        // Volume, continuous
        h.SetParameter(8, 3.0f / 34.0f);        // OSC 1 Wave STRINGS
        h.SetParameter(15, seed * 0.25f);       // OSC 2 Coarse
        h.SetParameter(17, 0.2f + seed * 0.1f); // Cutoff
        h.SetParameter(29, 0.61f);              // Low Boost, continuous
        h.SetParameter(46, 1.0f);               // Chorus DELAY
        h.SetParameter(52, 0.1f * seed);        // Chorus Depth
        h.SetParameter(57, 0.77f);              // Reserved 4
    }
};

TEST_F(BinaryChunks, BankChunkHoldsAllHundredSlots)
{
    Load();
    const std::vector<uint8_t> bank = host.GetChunk(false);
    ASSERT_TRUE(HasHeader(bank)) << "a bank begins 74 66 66 70 00 00 01 00";
    const std::vector<std::string> names = host.ProgramNames();
    ChunkReader in(bank, 8);
    for (int slot = 0; slot < 100; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const auto name = in.String();
        ASSERT_TRUE(name);
        EXPECT_EQ(*name, names[static_cast<size_t>(slot)]);
        const auto initialized = in.Byte();
        ASSERT_TRUE(initialized);
        ASSERT_EQ(*initialized, 1) << "every slot holds a program";
        const auto state = ReadState(in);
        ASSERT_TRUE(state) << "a whole program state follows at " << in.Position();
        EXPECT_EQ(state->values.size(), 60u);
    }
    // Then which program was playing: 'pcur' and the program number.
    EXPECT_EQ(in.Int32(), 0x72756370);
    EXPECT_EQ(in.Int32(), static_cast<int32_t>(host.Dispatch(vst::effGetProgram)));
    EXPECT_TRUE(in.AtEnd()) << "the bank ends after the current program";
    // The bytes handed out do not change while nothing changes.
    EXPECT_EQ(host.GetChunk(false), bank);
}

TEST_F(BinaryChunks, ProgramChunkHoldsTheStateAndTheName)
{
    home.WriteConfig(kUnprotected);
    Load();
    host.SetProgram(7);
    host.SetProgramName("Seventh");
    Edit(host, 1.0f);
    const std::vector<float> live = host.AllParameters();
    const std::vector<uint8_t> chunk = host.GetChunk(true);
    ASSERT_TRUE(HasHeader(chunk));
    ChunkReader in(chunk, 8);
    const auto state = ReadState(in);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->programIndex, 7);
    EXPECT_EQ(state->name, "Seventh");
    ASSERT_EQ(state->values.size(), 60u);
    // The live values, plain: Cutoff 0.3 of 0..99 lands on 30, Volume keeps 0.37.
    EXPECT_EQ(state->values[17], 30.0);
    EXPECT_FLOAT_EQ(static_cast<float>(state->values[0]), 0.37f);
    EXPECT_EQ(state->values[46], 7.0);
    const auto name = in.String();
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, "Seventh");
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(host.AllParameters(), live) << "asking for a chunk changes nothing";
}

TEST_F(BinaryChunks, BankRoundTripIntoASecondInstance)
{
    home.WriteConfig(kUnprotected);
    Load();
    host.SetProgram(3);
    Edit(host, 1.0f);
    host.SetProgramName("Round Trip");
    host.SetProgram(70);
    Edit(host, 2.0f);
    host.SetProgramName("Cartridge Trip");
    const std::vector<uint8_t> bank = host.GetChunk(false);
    const std::vector<std::string> names = host.ProgramNames();
    EXPECT_EQ(names[3], "Round Trip");
    EXPECT_EQ(names[70], "Cartridge Trip");

    BinaryHost second;
    ASSERT_TRUE(second.Create());
    second.Start();
    EXPECT_EQ(second.SetChunk(bank, false), 1);
    EXPECT_EQ(second.ProgramNames(), names);
    for (int program : {70, 3, 0, 99, 50}) {
        host.SetProgram(program);
        second.SetProgram(program);
        EXPECT_EQ(second.AllParameters(), host.AllParameters()) << "program " << program;
    }

    // Same program, same sound: the user waves came across too. A second of
    // silence first lets any parameter glide of the different histories settle.
    host.SetProgram(3);
    second.SetProgram(3);
    for (BinaryHost* h : {&host, &second}) {
        h->RenderFrames(44100);
        EventList notes;
        notes.Midi(0, 0x90, 48, 100).Midi(100, 0x90, 55, 90);
        h->SendEvents(notes);
    }
    EXPECT_EQ(second.RenderFrames(4096), host.RenderFrames(4096));
}

TEST_F(BinaryChunks, ProgramRoundTripWithAndWithoutHeader)
{
    home.WriteConfig(kUnprotected);
    Load();
    host.SetProgram(5);
    Edit(host, 3.0f);
    host.SetProgramName("Program Trip");
    const std::vector<uint8_t> chunk = host.GetChunk(true);
    const std::vector<float> values = host.AllParameters();

    BinaryHost second;
    ASSERT_TRUE(second.Create());
    second.Start();
    second.SetProgram(12);
    EXPECT_EQ(second.SetChunk(chunk, true), 1);
    EXPECT_EQ(second.AllParameters(), values);
    EXPECT_EQ(second.ProgramName(), "Program Trip");
    EXPECT_EQ(second.Dispatch(vst::effGetProgram), 12) << "the chunk loads into the current program";
    EXPECT_EQ(second.ProgramNameIndexed(12), "Program Trip");

    // Without the 'pfft' header the state is read from the first byte.
    second.SetProgram(13);
    const std::vector<uint8_t> bare(chunk.begin() + 8, chunk.end());
    EXPECT_EQ(second.SetChunk(bare, true), 1);
    EXPECT_EQ(second.AllParameters(), values);
    EXPECT_EQ(second.ProgramNameIndexed(13), "Program Trip");
    // Without the trailing name the slot keeps its own.
    second.SetProgram(14);
    const std::string before = second.ProgramName();
    std::vector<uint8_t> nameless = chunk;
    nameless.resize(chunk.size() - 4 - std::string("Program Trip").size());
    EXPECT_EQ(second.SetChunk(nameless, true), 1);
    EXPECT_EQ(second.AllParameters(), values);
    EXPECT_EQ(second.ProgramName(), before);
}

TEST_F(BinaryChunks, ProgramChunkHostsGetProgramsForBankRequests)
{
    for (const char* vendor : {"Native Instruments", "NATIVE INSTRUMENTS", "JUCE VST Host"}) {
        BinaryHost ni(vendor);
        ASSERT_TRUE(ni.Create());
        ni.Start();
        const std::vector<uint8_t> asBank = ni.GetChunk(false);
        EXPECT_EQ(asBank, ni.GetChunk(true)) << vendor;
        EXPECT_EQ(ni.SetChunk(asBank, false), 1) << vendor;
    }
}

TEST_F(BinaryChunks, ForeignAndBrokenChunksAreRefusedAndChangeNothing)
{
    Load();
    const std::vector<std::string> names = host.ProgramNames();
    const std::vector<float> values = host.AllParameters();
    auto unchanged = [&](const std::string& what) {
        EXPECT_EQ(host.AllParameters(), values) << what;
        EXPECT_EQ(host.ProgramNames(), names) << what;
    };

    EXPECT_EQ(host.Dispatch(vst::effSetChunk, 1, 100, nullptr), 0);
    std::vector<uint8_t> some(16, 0);
    EXPECT_EQ(host.Dispatch(vst::effSetChunk, 0, -5, some.data()), 0);

    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::vector<uint8_t>> junk = {
        {},
        {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00},        // the header alone
        {0x74, 0x66, 0x66, 0x70},                                // half a header
        {'Q', 'O', 'R', '_', '1', '.', '0', '.', '1', 0, 0, 0},  // another version's tag
        std::vector<uint8_t>(5000, 0xFF),
    };
    for (size_t size : {1u, 7u, 64u, 1000u, 70000u}) {
        std::vector<uint8_t> noise(size);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(byte(rng));
        junk.push_back(noise);
        // The same noise behind our header, once for a program and once for a bank.
        noise.insert(noise.begin(), std::begin(kChunkHeader), std::end(kChunkHeader));
        junk.push_back(noise);
    }
    for (size_t i = 0; i < junk.size(); ++i) {
        for (bool program : {true, false}) {
            const std::string what = "junk " + std::to_string(i) + (program ? " as program" : " as bank");
            EXPECT_EQ(host.SetChunk(junk[i], program), 0) << what;
            unchanged(what);
        }
    }

    // A program chunk cut before its state is complete fails; without the
    // trailing name it still loads.
    host.SetProgram(2);
    const std::vector<float> second = host.AllParameters();
    const std::vector<uint8_t> program = host.GetChunk(true);
    ChunkReader in(program, 8);
    ASSERT_TRUE(ReadState(in));
    const size_t stateEnd = in.Position();
    for (size_t cut = 0; cut < stateEnd; cut += (cut < 64 || cut + 600 > stateEnd) ? 1 : 61) {
        const std::vector<uint8_t> part(program.begin(), program.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(host.SetChunk(part, true), 0) << "cut at " << cut;
    }
    EXPECT_EQ(host.SetChunk(std::span(program).first(stateEnd), true), 1);
    // Cut inside its name, it is broken: refused, and an edit made since stays.
    host.SetParameter(17, 0.25f);
    const std::vector<float> edited = host.AllParameters();
    EXPECT_EQ(host.SetChunk(std::span(program).first(program.size() - 1), true), 0);
    EXPECT_EQ(host.AllParameters(), edited);
    // Whatever the cuts left behind, the whole chunk restores the program.
    EXPECT_EQ(host.SetChunk(program, true), 1);
    EXPECT_EQ(host.AllParameters(), second);

    // A bank cut anywhere fails and leaves an instance that still plays.
    const std::vector<uint8_t> bank = host.GetChunk(false);
    for (size_t cut = 8; cut < bank.size(); cut += 4999) {
        const std::vector<uint8_t> part(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(host.SetChunk(part, false), 0) << "bank cut at " << cut;
    }
    EXPECT_EQ(host.SetChunk(bank, false), 1);
    EXPECT_EQ(host.ProgramNames(), names);
    EventList note;
    note.Midi(0, 0x90, 64, 100);
    host.SendEvents(note);
    EXPECT_LT(PeakOf(host.RenderFrames(4096)), 100.0f);
}

}  // namespace
}  // namespace qor::test::binary

#endif
