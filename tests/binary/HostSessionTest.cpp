// A host that saves QOR's state and sets it again gets back exactly what it
// saved, whatever legal calls came before: program changes from the host and
// by MIDI, parameter moves, chunks of both kinds, suspend and resume, new
// sample rates; with memory protection on (the default) and off.
#if defined(QOR_PLUGIN_PATH)

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "BinaryHost.h"

namespace qor::test::binary {
namespace {

constexpr const char* kUnprotected = "[Global]\nWrite Protect=false\n";

int ProgramNamed(BinaryHost& h, const std::string& name)
{
    const std::vector<std::string> names = h.ProgramNames();
    const auto at = std::find(names.begin(), names.end(), name);
    EXPECT_NE(at, names.end()) << name;
    return static_cast<int>(at - names.begin());
}

void MidiProgramChange(BinaryHost& h, int program)
{
    EventList change;
    change.Midi(0, 0xC0, static_cast<uint8_t>(program));
    h.SendEvents(change);
}

// Chunks are long: say where they part rather than print them.
::testing::AssertionResult SameBytes(const std::vector<uint8_t>& got, const std::vector<uint8_t>& set)
{
    if (got == set) return ::testing::AssertionSuccess();
    const auto differ = std::mismatch(got.begin(), got.end(), set.begin(), set.end());
    return ::testing::AssertionFailure() << "got " << got.size() << " bytes for " << set.size()
                                         << " set, first difference at byte " << (differ.first - got.begin());
}

using HostSession = BinaryTest;

TEST_F(HostSession, ProgramChunkSetAfterAProgramChangeComesBack)
{
    for (const bool protect : {true, false}) {
        SCOPED_TRACE(protect ? "memory protection on" : "memory protection off");
        BinaryHost h;
        IsolatedHome own;
        if (!protect) own.WriteConfig(kUnprotected);
        ASSERT_TRUE(h.Create());
        h.Start();
        const int shimmer = ProgramNamed(h, "Shimmer");
        const int bells = ProgramNamed(h, "Tubular Bells");

        MidiProgramChange(h, shimmer);
        const std::vector<uint8_t> saved = h.GetChunk(true);
        const std::vector<float> sound = h.AllParameters();
        MidiProgramChange(h, bells);
        ASSERT_EQ(h.SetChunk(saved, true), 1);
        EXPECT_TRUE(SameBytes(h.GetChunk(true), saved)) << "the program just set, named as it was";
        EXPECT_EQ(h.AllParameters(), sound);
    }
}

TEST_F(HostSession, BankChunkSetStraightBackComesBack)
{
    Load();
    // A session: programs chosen, a program chunk moved from one to another.
    MidiProgramChange(host, ProgramNamed(host, "Toy Piano"));
    const std::vector<uint8_t> toy = host.GetChunk(true);
    host.SetProgram(ProgramNamed(host, "Lead Bass"));
    host.SetParameter(17, 0.25f);
    ASSERT_EQ(host.SetChunk(toy, true), 1);
    MidiProgramChange(host, 0);
    host.SetProgram(ProgramNamed(host, "Lead Bass"));

    const std::vector<uint8_t> bank = host.GetChunk(false);
    ASSERT_EQ(host.SetChunk(bank, false), 1);
    EXPECT_TRUE(SameBytes(host.GetChunk(false), bank));
}

TEST_F(HostSession, ReopeningAndSavingAProjectChangesNothing)
{
    for (const bool program : {false, true}) {
        SCOPED_TRACE(program ? "program chunk" : "bank chunk");
        BinaryHost first;
        ASSERT_TRUE(first.Create());
        first.Start();
        const int digiPiano = ProgramNamed(first, "Digi Piano III");
        first.SetProgram(digiPiano);
        first.SetParameter(17, 0.8f);
        first.SetParameter(0, 0.4f);
        const std::vector<float> playing = first.AllParameters();
        const std::vector<uint8_t> saved = first.GetChunk(program);

        // The project reopens on the program it was saved with, edits and
        // all, with no program change from the host.
        BinaryHost reopened;
        ASSERT_TRUE(reopened.Create());
        reopened.Start();
        ASSERT_EQ(reopened.SetChunk(saved, program), 1);
        if (!program) {
            EXPECT_EQ(reopened.Dispatch(vst::effGetProgram), digiPiano);
        }
        EXPECT_EQ(reopened.ProgramName(), "Digi Piano III");
        EXPECT_EQ(reopened.AllParameters(), playing);
        EXPECT_TRUE(SameBytes(reopened.GetChunk(program), saved));
    }
}

// A hostile but legal host, from a seed: every chunk set is followed by a get
// of the same kind, which must return the bytes set; a bank cut short is
// refused and changes nothing.
void RunSession(BinaryHost& h, uint32_t seed, int steps)
{
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    auto anyOf = [&](const std::vector<std::vector<uint8_t>>& pool) {
        return pool[static_cast<size_t>(pick(static_cast<int>(pool.size())))];
    };
    std::vector<std::vector<uint8_t>> programs{h.GetChunk(true)};
    std::vector<std::vector<uint8_t>> banks{h.GetChunk(false)};
    std::vector<float> left(64);
    std::vector<float> right(64);
    bool active = true;
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
        switch (pick(15)) {
            case 0: h.SetProgram(pick(100)); break;
            case 1: {
                EventList change;
                change.Midi(0, 0xC0, static_cast<uint8_t>(pick(100)));
                h.SendEvents(change);
                break;
            }
            case 2:
            case 3: h.SetParameter(pick(60), std::uniform_real_distribution<float>(0.0f, 1.0f)(rng)); break;
            case 4: programs.push_back(h.GetChunk(true)); break;
            case 5: banks.push_back(h.GetChunk(false)); break;
            case 6: {
                const std::vector<uint8_t> chunk = anyOf(programs);
                ASSERT_EQ(h.SetChunk(chunk, true), 1);
                ASSERT_TRUE(SameBytes(h.GetChunk(true), chunk)) << "program chunk set, then got";
                break;
            }
            case 7: {
                const std::vector<uint8_t> chunk = anyOf(banks);
                ASSERT_EQ(h.SetChunk(chunk, false), 1);
                ASSERT_TRUE(SameBytes(h.GetChunk(false), chunk)) << "bank chunk set, then got";
                break;
            }
            case 8:
                active = !active;
                h.Dispatch(vst::effMainsChanged, 0, active ? 1 : 0);
                break;
            case 9: {
                static constexpr float kRates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f};
                h.Dispatch(vst::effSetSampleRate, 0, 0, nullptr, kRates[pick(4)]);
                break;
            }
            case 10: h.SetProgramName("Session " + std::to_string(step)); break;
            case 11: {
                const std::vector<uint8_t> before = h.GetChunk(false);
                // Cut before the last 300 bytes: inside the slots of a bank
                // (one cut just after them is whole), inside the parameter
                // values of a program chunk (one cut before its name is whole).
                std::vector<uint8_t> cut = anyOf(banks);
                cut.resize(static_cast<size_t>(pick(static_cast<int>(cut.size()) - 300)));
                ASSERT_EQ(h.SetChunk(cut, false), 0);
                ASSERT_TRUE(SameBytes(h.GetChunk(false), before)) << "a bank cut at " << cut.size();
                break;
            }
            case 12: {
                // A second program moves a parameter by SysEx, with any data.
                EventList change;
                change.SysEx(0, {0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, static_cast<uint8_t>(pick(43)),
                                 static_cast<uint8_t>(pick(16)), static_cast<uint8_t>(pick(16)), 0xF7});
                h.SendEvents(change);
                break;
            }
            case 13: {
                // A librarian fetches a program and writes it into another
                // slot (refused while memory protection is on).
                h.RenderFrames(64, 64);  // what waits goes out first
                h.ClearSent();
                EventList request;
                request.SysEx(0, {0xF0, 0x40, 0x00, 0x00, 0x00, 0x01, static_cast<uint8_t>(pick(100)), 0xF7});
                h.SendEvents(request);
                // Answered with the next block, or, behind a write the worker
                // is still finishing, with a later one: messages keep their order.
                ASSERT_TRUE(h.WaitForSent(1)) << "a program request is answered";
                const std::vector<SentEvent> sent = h.Sent();
                ASSERT_EQ(sent.size(), 1u);
                std::vector<uint8_t> dump = sent[0].bytes;
                ASSERT_EQ(dump.size(), 78u);
                dump[6] = static_cast<uint8_t>(pick(100));
                h.RenderFrames(64, 64);  // what waits goes out first
                h.ClearSent();
                EventList write;
                write.SysEx(0, dump);
                h.SendEvents(write);
                ASSERT_TRUE(h.WaitForSent(1)) << "a written program is answered";
                break;
            }
            default: h.Render(left, right); break;
        }
    }
}

TEST_F(HostSession, RandomHostCallsKeepChunksAsSet)
{
    // A host that keeps only program chunks gets one for a bank request too.
    struct Setting {
        bool protect;
        const char* vendor;
        uint32_t seed;
    };
    for (const Setting& setting : {Setting{true, "QOR Binary Tests", 1234u}, Setting{false, "QOR Binary Tests", 5678u},
                                   Setting{true, "Native Instruments", 91011u}}) {
        SCOPED_TRACE(std::string(setting.vendor) + (setting.protect ? ", memory protection on" : ", protection off"));
        IsolatedHome own;
        if (!setting.protect) own.WriteConfig(kUnprotected);
        BinaryHost h(setting.vendor);
        ASSERT_TRUE(h.Create());
        h.Start();
        RunSession(h, setting.seed, 150);
    }
}

}  // namespace
}  // namespace qor::test::binary

#endif
