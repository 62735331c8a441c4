// What each save command writes, its load command reads back to the same
// state: real files in a temporary folder, chosen through the dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ParameterIndex.h"
#include "tests/plugin/CommandFixture.h"
#include "tests/plugin/SysExTestSupport.h"
#include "tests/programs/WavTestFiles.h"

namespace qor::test {
namespace {

namespace cmd = command;
using CommandFiles = CommandFixture;

HarmonicMap Recipe(std::initializer_list<std::pair<int, int>> levels)
{
    HarmonicMap map;
    for (const auto& [harmonic, level] : levels) map[static_cast<uint8_t>(harmonic)] = {0.0, static_cast<double>(level)};
    return map;
}

void SetUserWave(QOR& plug, int memory, const HarmonicMap& recipe)
{
    plug.recipes[static_cast<std::size_t>(memory)] = recipe;
    plug.ComputeUserWaveTables(memory, recipe);
    plug.CopyActiveToStored(memory, memory);
}

TEST_F(CommandFiles, ProgramFileLoadsBackTheProgramAsSaved)
{
    q->SelectProgram(5);
    q->ChangeParameter(kCutoff, 33, false);
    q->ChangeParameter(kResonance, 7, false);
    SetUserWave(*q, 1, Recipe({{2, 25}, {5, 9}}));
    const ParamValues saved = Values(*q);
    const auto savedWaves = q->storedTables;
    const std::string name = q->GetPresetName(5);
    const std::string path = File("program.fxp");
    RunWithFile(cmd::kSaveProgram, path);

    q->ChangeParameter(kCutoff, 70, false);
    SetUserWave(*q, 1, Recipe({{1, 31}}));
    RunWithFile(cmd::kLoadProgram, path);
    EXPECT_EQ(Values(*q), saved);
    EXPECT_EQ(q->storedTables, savedWaves);
    EXPECT_TRUE(std::equal(savedWaves[1].begin(), savedWaves[1].end(), q->ActiveTable(1)));
    EXPECT_EQ(q->GetPresetName(5), name);
    EXPECT_EQ(q->infoMessage, kInfoProgramLoaded);
    EXPECT_EQ(ErrorBoxes("Cannot load file!"), 0);
}

TEST_F(CommandFiles, BankFileLoadsBackEverySlot)
{
    for (const int slot : {0, 49, 50, 99}) {
        q->SelectProgram(slot);
        q->ChangeParameter(kCutoff, slot / 2, false);
    }
    q->SelectProgram(50);
    q->ChangeParameter(kLevel, 12, false);  // unsaved edits are saved with the bank
    const std::string path = File("bank.fxb");
    RunWithFile(cmd::kSaveBank, path);
    const Snapshot saved(*q);

    for (const int slot : {0, 99}) {
        q->SelectProgram(slot);
        q->ChangeParameter(kCutoff, 1, false);
        q->ModifyCurrentPreset("changed");
    }
    q->SelectProgram(50);
    RunWithFile(cmd::kLoadBank, path);
    EXPECT_EQ(Snapshot(*q), saved);
    EXPECT_EQ(q->GetParam(kLevel)->Value(), 12);
    EXPECT_EQ(q->infoMessage, kInfoBankLoaded);
}

TEST_F(CommandFiles, SysExProgramAndBankLoadBackAsSaved)
{
    q->SelectProgram(57);
    q->ChangeParameter(kCutoff, 21, false);
    const std::string program = File("program.syx");
    RunWithFile(cmd::kSaveSysExProgram, program);
    const std::vector<uint8_t> programBytes = ReadBytes(program);
    ASSERT_FALSE(programBytes.empty());

    q->ChangeParameter(kCutoff, 60, false);
    RunWithFile(cmd::kLoadSysExFile, program, 1);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 21);
    EXPECT_EQ(q->infoMessage, kInfoProgramLoaded);
    RunWithFile(cmd::kSaveSysExProgram, File("again.syx"));
    EXPECT_EQ(ReadBytes(File("again.syx")), programBytes);

    // The bank of the current program's memory, the cartridge here.
    const std::string bank = File("bank.syx");
    RunWithFile(cmd::kSaveSysExBank, bank);
    const std::vector<uint8_t> bankBytes = ReadBytes(bank);
    q->SelectProgram(80);
    q->ChangeParameter(kResonance, 3, false);
    q->SelectProgram(57);
    RunWithFile(cmd::kLoadSysExFile, bank, 1);
    EXPECT_EQ(q->infoMessage, kInfoBankLoaded);
    RunWithFile(cmd::kSaveSysExBank, File("bank-again.syx"));
    EXPECT_EQ(ReadBytes(File("bank-again.syx")), bankBytes);
    EXPECT_EQ(ErrorBoxes("Cannot load file!") + ErrorBoxes("Cannot save file!"), 0);
}

TEST_F(CommandFiles, UserWavesLoadBackFromWavAndSysEx)
{
    // WAV: the cycle comes back up to the 8-bit tables' quantisation.
    SetUserWave(*q, 0, Recipe({{1, 20}, {3, 11}, {8, 4}}));
    const auto savedInternal = q->storedTables[0];
    const std::string wav = File("wave.wav");
    RunWithFile(cmd::kSaveUserWaveInternal, wav);
    SetUserWave(*q, 0, Recipe({{1, 31}}));
    RunWithFile(cmd::kLoadUserWaveInternal, wav);
    EXPECT_EQ(q->infoMessage, kInfoInternalUserWaveLoaded);
    int worst = 0;
    for (std::size_t k = 0; k < 512; ++k)
        worst = std::max(worst, std::abs(int{q->storedTables[0][2 * k]} - int{savedInternal[2 * k]}));
    EXPECT_LE(worst, 2);

    // SysEx: the recipe itself, and the tables rendered from it.
    const HarmonicMap recipe = Recipe({{2, 17}, {6, 30}});
    SetUserWave(*q, 1, recipe);
    const auto savedCartridge = q->storedTables[1];
    const std::string syx = File("wave.syx");
    RunWithFile(cmd::kSaveUserWaveSysExCartridge, syx);
    SetUserWave(*q, 1, Recipe({{1, 31}}));
    RunWithFile(cmd::kLoadSysExFile, syx, 1);
    EXPECT_EQ(q->infoMessage, kInfoCartridgeUserWaveLoaded);
    ASSERT_EQ(q->recipes[1].size(), recipe.size());
    for (const auto& [harmonic, amplitude] : recipe) EXPECT_EQ(q->recipes[1].at(harmonic).sine, amplitude.sine);
    EXPECT_EQ(q->storedTables[1], savedCartridge);
    EXPECT_EQ(ErrorBoxes("Cannot load file!") + ErrorBoxes("Cannot save file!"), 0);
}

}  // namespace
}  // namespace qor::test
