#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "programs/ParameterTable.h"
#include "programs/UserWave.h"
#include "tests/plugin/QorInstance.h"

namespace qor {
namespace {

using test::QorInstance;

std::vector<uint8_t> Active(QOR& plug, int memory)
{
    return {plug.ActiveTable(memory), plug.ActiveTable(memory) + kUserWaveBytes};
}

std::vector<uint8_t> Stored(QOR& plug, int memory)
{
    return {plug.storedTables[memory].begin(), plug.storedTables[memory].end()};
}

// A user wave of one sine harmonic, written into a memory and kept with the
// working program.
void WriteHarmonic(QOR& plug, int memory, int harmonic)
{
    plug.ComputeUserWaveTables(memory, {{static_cast<uint8_t>(harmonic), {0.0, 31.0}}});
    plug.CopyActiveToStored(memory, memory);
}

// Program changes the plug-in sent to the host: the data bytes of each.
std::vector<int> ProgramChangesSent(QorInstance& q)
{
    test::HostProcesses(*q);
    test::TestHost& host = q.host;
    std::vector<int> programs;
    for (const test::SentEvent& e : host.sent)
        if (e.type == vst::kVstMidiType && e.bytes[0] == 0xC0) {
            EXPECT_EQ(e.bytes[2], 0);
            EXPECT_EQ(e.deltaFrames, 0);
            programs.push_back(e.bytes[1]);
        }
    return programs;
}

TEST(ProgramMemory, LeavingAProgramKeepsItsEditsUnlessProtected)
{
    for (const bool protect : {false, true}) {
        QorInstance q;
        q->SetWriteProtect(false);
        q->SelectProgram(3);
        q->ChangeParameter(kCutoff, 40.0, false);
        WriteHarmonic(*q, 0, 5);
        q->SelectProgram(12);  // stores the edits of 3
        q->SelectProgram(3);
        ASSERT_EQ(q->GetParam(kCutoff)->Value(), 40.0);
        const std::vector<uint8_t> editedWave = Stored(*q, 0);

        q->SetWriteProtect(protect);
        q->ChangeParameter(kCutoff, 77.0, false);
        WriteHarmonic(*q, 0, 9);
        q->SelectProgram(12);
        q->SelectProgram(3);
        EXPECT_EQ(q->GetParam(kCutoff)->Value(), protect ? 40.0 : 77.0) << protect;
        EXPECT_EQ(Stored(*q, 0) == editedWave, protect) << protect;
        // A restored program plays the user waves it was stored with.
        EXPECT_EQ(Active(*q, 0), Stored(*q, 0));
        EXPECT_EQ(Active(*q, 1), Stored(*q, 1));
    }
}

TEST(ProgramMemory, ProgramChangeOutputCarriesTheSlotIndex)
{
    QorInstance q;
    q->programEdited = true;
    q->SelectProgram(50);  // cartridge program C01
    q->SelectProgram(7);
    q->SelectProgram(99);
    EXPECT_EQ(ProgramChangesSent(q), (std::vector<int>{50, 7, 99}));
    EXPECT_FALSE(q->programEdited);
    EXPECT_EQ(q->GetCurrentPresetIndex(), 99);

    test::HostProcesses(*q);
    q.host.sent.clear();
    q->sendParameterSysEx = false;
    q->SelectProgram(4);
    EXPECT_TRUE(ProgramChangesSent(q).empty());
    EXPECT_EQ(q->GetCurrentPresetIndex(), 4);
}

TEST(ProgramMemory, InitProgramNamesTheSlotAndRestoresEveryDefault)
{
    QorInstance q;
    q->SetWriteProtect(false);
    for (const auto& [slot, name] : {std::pair{57, "PROGRAM C08"}, std::pair{0, "PROGRAM I01"}, std::pair{49, "PROGRAM I50"}}) {
        q->SelectProgram(slot);
        for (int i = 0; i < q->NParams(); ++i) {
            IParameter* p = q->GetParam(i);
            q->ChangeParameter(i, p->Max() == p->Default() ? p->Min() : p->Max(), false);
        }
        q->InitProgram();
        EXPECT_STREQ(q->GetPresetName(slot), name);
        for (int i = 0; i < q->NParams(); ++i)
            EXPECT_NEAR(q->GetParam(i)->Value(), q->GetParam(i)->Default(), 1e-9) << "parameter " << i;
        EXPECT_NEAR(q->GetParam(kVolume)->Value(), paramRanges[kVolume].defaultValue, 1e-9);
        EXPECT_EQ(q->infoMessage, kInfoProgramInitialized);
    }

    // The default waves: a triangle inside, a quarter-cycle pulse on the
    // cartridge, kept with the program and playing at once.
    EXPECT_EQ(Active(*q, 0), Stored(*q, 0));
    EXPECT_EQ(Active(*q, 1), Stored(*q, 1));
    for (const auto& [h, a] : q->recipes[0]) EXPECT_EQ(h % 2, 1) << int(h);
    EXPECT_DOUBLE_EQ(q->recipes[0].at(1).sine, 31.0);
    for (const auto& [h, a] : q->recipes[1]) EXPECT_NE(h % 4, 0) << int(h);
    EXPECT_DOUBLE_EQ(q->recipes[1].at(1).sine, 31.0);
    // Level 0 of the triangle rises from 128 to its peak a quarter in.
    EXPECT_EQ(q->storedTables[0][0], 128);
    EXPECT_EQ(q->storedTables[0][2 * 128], 128 + 115);
    EXPECT_EQ(q->storedTables[0][2 * 384], 128 - 115);

    // The slot holds the initialised program.
    q->SelectProgram(1);
    q->SelectProgram(49);
    EXPECT_NEAR(q->GetParam(kCutoff)->Value(), q->GetParam(kCutoff)->Default(), 1e-9);
    EXPECT_EQ(Stored(*q, 1), Active(*q, 1));
}

// Whatever user waves the program had, InitProgram leaves exactly what
// writing the default samples into both memories makes: tables playing and
// stored, and the recipes.
TEST(ProgramMemory, InitProgramWritesTheDefaultWavesAsWriteUserWaveSamplesWould)
{
    QorInstance q;
    q->SetWriteProtect(false);
    for (const int slot : {50, 7}) {
        q->SelectProgram(slot);
        WriteHarmonic(*q, 0, 9);
        WriteHarmonic(*q, 1, 3);
        q->recipes[0] = {{9, {0.0, 31.0}}};
        q->recipes[1] = {{3, {0.0, 31.0}}, {200, {1.0, 2.0}}};
        q->InitProgram();
        const std::array<std::vector<uint8_t>, 2> active{Active(*q, 0), Active(*q, 1)};
        const std::array<std::vector<uint8_t>, 2> stored{Stored(*q, 0), Stored(*q, 1)};
        const std::array<HarmonicMap, 2> recipes = q->recipes;
        // Selected again, the program plays them: the slot keeps them.
        q->SelectProgram(slot + 1);
        q->SelectProgram(slot);
        EXPECT_EQ(Active(*q, 0), active[0]) << slot;
        EXPECT_EQ(Active(*q, 1), active[1]) << slot;

        const auto triangle = DefaultInternalWave();
        const auto pulse = DefaultCartridgeWave();
        q->WriteUserWaveSamples(0, triangle.data(), static_cast<int>(triangle.size()));
        q->WriteUserWaveSamples(1, pulse.data(), static_cast<int>(pulse.size()));
        for (int m = 0; m < 2; ++m) {
            EXPECT_EQ(active[m], Active(*q, m)) << slot << " " << m;
            EXPECT_EQ(stored[m], Active(*q, m)) << slot << " " << m;
            ASSERT_EQ(recipes[m].size(), q->recipes[m].size()) << slot << " " << m;
            for (const auto& [h, a] : q->recipes[m]) {
                ASSERT_TRUE(recipes[m].contains(h)) << int(h);
                EXPECT_EQ(recipes[m].at(h).sine, a.sine) << int(h);
                EXPECT_EQ(recipes[m].at(h).cosine, a.cosine) << int(h);
            }
        }
    }
}

TEST(ProgramMemory, InitProgramUnderProtectionChangesOnlyTheWorkingProgram)
{
    QorInstance q;
    q->SelectProgram(20);
    const std::string name = q->GetPresetName(20);
    q->InitProgram();
    EXPECT_EQ(q->GetPresetName(20), name);
    EXPECT_TRUE(q->storeRefused);
    EXPECT_NEAR(q->GetParam(kCutoff)->Value(), q->GetParam(kCutoff)->Default(), 1e-9);
}

TEST(ProgramMemory, StoreIsRefusedOnlyForNamedStoresUnderProtection)
{
    QorInstance q;
    ASSERT_TRUE(q->writeProtect);  // the default
    const IChunk before = q->GetPresetSlot(0)->state;
    q->GetParam(kCutoff)->Set(3.0);

    q->ModifyCurrentPreset();
    EXPECT_FALSE(q->storeRefused);
    q->ModifyCurrentPreset("");
    EXPECT_FALSE(q->storeRefused);
    q->ModifyCurrentPreset("NEW NAME");
    EXPECT_TRUE(q->storeRefused);
    EXPECT_STRNE(q->GetPresetName(0), "NEW NAME");
    EXPECT_EQ(std::vector<uint8_t>(q->GetPresetSlot(0)->state.Bytes().begin(), q->GetPresetSlot(0)->state.Bytes().end()),
              std::vector<uint8_t>(before.Bytes().begin(), before.Bytes().end()));

    // The plug-in's own stores while it is being built are no refusals.
    q->storeRefused = false;
    q->constructing = true;
    q->ModifyCurrentPreset("NEW NAME");
    EXPECT_FALSE(q->storeRefused);
    q->constructing = false;

    // Without protection a store clears the flag.
    q->storeRefused = true;
    q->SetWriteProtect(false);
    q->ModifyCurrentPreset("NEW NAME");
    EXPECT_FALSE(q->storeRefused);
    EXPECT_STREQ(q->GetPresetName(0), "NEW NAME");
    q->ModifyCurrentPreset();
    EXPECT_STREQ(q->GetPresetName(0), "NEW NAME");
}

TEST(ProgramMemory, PasteCopiesTheProgramAndItsNameButNotTheSound)
{
    QorInstance q;
    q->SetWriteProtect(false);
    q->PasteProgram();  // an empty clipboard does nothing
    EXPECT_EQ(q->GetCurrentPresetIndex(), 0);

    q->SelectProgram(60);
    WriteHarmonic(*q, 1, 2);
    q->SelectProgram(5);
    q->ModifyCurrentPreset("FIVE");
    q->ChangeParameter(kResonance, 3.0, false);
    WriteHarmonic(*q, 1, 7);
    q->CopyProgram();
    EXPECT_EQ(q->copiedProgram, 5);
    const std::vector<uint8_t> fiveWave = Stored(*q, 1);

    q->SelectProgram(60);
    const std::vector<uint8_t> sixtyWave = Active(*q, 1);
    ASSERT_NE(sixtyWave, fiveWave);
    q->PasteProgram();
    EXPECT_STREQ(q->GetPresetName(60), "FIVE");
    EXPECT_EQ(q->GetParam(kResonance)->Value(), 3.0);
    EXPECT_EQ(Stored(*q, 1), fiveWave);
    // Heard only once the program is selected again.
    EXPECT_EQ(Active(*q, 1), sixtyWave);
    q->SelectProgram(60);
    EXPECT_EQ(Active(*q, 1), fiveWave);

    // The source slot renamed after the copy: the paste takes its name as it is now.
    q->SelectProgram(5);
    q->ModifyCurrentPreset("FIVE AGAIN");
    q->SelectProgram(61);
    q->PasteProgram();
    EXPECT_STREQ(q->GetPresetName(61), "FIVE AGAIN");
}

TEST(ProgramMemory, UserWavesFollowTheMemoryOfTheSelectedProgram)
{
    QorInstance q;
    q->SetWriteProtect(false);
    for (const int slot : {50, 3}) {
        q->SelectProgram(slot);
        q->ChangeParameter(kOsc1Wave, kWaveUserOwn, false);
        q->ChangeParameter(kOsc2Wave, kWaveUserOther, false);
    }
    q->SelectProgram(50);
    for (const Voice& v : q->engine.voices) {
        ASSERT_EQ(v.osc1.userWave, 1);
        ASSERT_EQ(v.osc1.waveBase, 1);  // wave 32 of a cartridge program: the cartridge wave
        ASSERT_EQ(v.osc2.waveBase, 0);
    }
    EXPECT_EQ(WaveName(*q, kOsc1Wave, q->CurrentIsCartridge()), "USER WAVE (CARTRIDGE)");
    q->SelectProgram(3);
    EXPECT_EQ(q->engine.voices[0].osc1.waveBase, 0);
    EXPECT_EQ(q->engine.voices[0].osc2.waveBase, 1);

    // A failed restore keeps the memory, but the stored waves play again.
    q->ComputeUserWaveTables(0, {{3, {0.0, 1.0}}});
    EXPECT_FALSE(q->RestorePreset(100));
    EXPECT_FALSE(q->RestorePreset(-1));
    EXPECT_EQ(q->GetCurrentPresetIndex(), 3);
    EXPECT_EQ(q->engine.voices[0].osc1.waveBase, 0);
    EXPECT_EQ(Active(*q, 0), Stored(*q, 0));
}

TEST(ProgramMemory, CartridgeProgramSoundsItsOwnUserWave)
{
    // Internal user wave silent, cartridge user wave a sine: a cartridge
    // program on wave 32 must sound as soon as it is selected.
    QorInstance q;
    q->SetWriteProtect(false);
    q->SelectProgram(50);
    q->ChangeParameter(kOsc1Wave, kWaveUserOwn, false);
    q->ChangeParameter(kOsc2Wave, kWaveOff, false);
    q->ComputeUserWaveTables(0, {});
    q->CopyActiveToStored(0, 0);
    WriteHarmonic(*q, 1, 1);
    q->SelectProgram(0);
    q->SelectProgram(50);

    q->SetSampleRate(44100.0);
    q->Reset();
    q->engine.NoteOn(60, 100);
    std::vector<double> left(4410), right(4410);
    double* outputs[2] = {left.data(), right.data()};
    q->ProcessBlock(nullptr, outputs, static_cast<int>(left.size()));
    double energy = 0.0;
    for (const double v : left) energy += v * v;
    EXPECT_GT(energy, 1e-6);
}

}  // namespace
}  // namespace qor
