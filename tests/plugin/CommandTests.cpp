#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/ParameterIndex.h"
#include "platform/Profile.h"
#include "tests/plugin/CommandFixture.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Question = ScriptedServices::Question;
namespace cmd = command;

using UtilityCommands = CommandFixture;

TEST_F(UtilityCommands, ProtectionRefusesWritesWithoutAQuestionButSavesStillWork)
{
    q->RunCommand(cmd::kCopyProgram);
    const std::string bank = File("startup.fxb");
    ASSERT_TRUE(SaveBankFile(*q, bank));
    q->SetStartupBank(bank);
    q->writeProtect = true;
    const Snapshot before(*q);
    for (const int number : {cmd::kPasteProgram, cmd::kLoadStartupBank, cmd::kInitProgram, cmd::kLoadProgram, cmd::kLoadBank, cmd::kLoadSysExFile,
                             cmd::kLoadUserWaveInternal, cmd::kLoadUserWaveCartridge, cmd::kRestoreInternal,
                             cmd::kRestoreCartridge, cmd::kLoadTobins}) {
        q->storeRefused = false;
        musician.fileAnswers.push_back(File("never.fxb"));
        musician.messageAnswers.push_back(IUserServices::kAnswerYes);
        q->RunCommand(number);
        EXPECT_TRUE(musician.asked.empty()) << "command " << number;
        EXPECT_TRUE(q->storeRefused) << "command " << number;
        musician.fileAnswers.clear();
        musician.messageAnswers.clear();
    }
    EXPECT_EQ(Snapshot(*q), before);

    RunWithFile(cmd::kSaveBank, File("protected.fxb"));
    EXPECT_EQ(musician.asked.size(), 1u);
    EXPECT_EQ(ErrorBoxes("Cannot save file!"), 0);
    EXPECT_TRUE(std::filesystem::exists(File("protected.fxb")));
}

TEST_F(UtilityCommands, ProtectionSwitchedOnWhileAQuestionIsOpenStillRefuses)
{
    const Snapshot before(*q);
    musician.holdAnswers = true;
    musician.messageAnswers.push_back(IUserServices::kAnswerYes);
    q->RunCommand(cmd::kInitProgram);
    q->writeProtect = true;
    musician.Release();
    EXPECT_TRUE(q->storeRefused);
    EXPECT_EQ(Snapshot(*q), before);
}

TEST_F(UtilityCommands, ProposedFileNamesAreSafeAndNumbered)
{
    q->SelectProgram(7);
    q->ModifyCurrentPreset("Bass/Lead: \"2\"<*>|?\\");
    for (const int number : {cmd::kSaveProgram, cmd::kSaveSysExProgram, cmd::kSaveBank, cmd::kSaveSysExBank,
                             cmd::kSaveUserWaveInternal, cmd::kSaveUserWaveCartridge, cmd::kSaveUserWaveSysExInternal,
                             cmd::kSaveUserWaveSysExCartridge})
        q->RunCommand(number);
    ASSERT_EQ(musician.asked.size(), 8u);
    const std::string safe = "Bass_Lead_ _2_______";
    const std::pair<std::string, std::string> expected[] = {
        {safe, "fxp"},           {safe, "syx"},           {"QOR", "fxb"},          {"QOR", "syx"},
        {"UserWave_008I", "wav"}, {"UserWave_008C", "wav"}, {"UserWave_008I", "syx"}, {"UserWave_008C", "syx"}};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(musician.asked[i].kind, Question::File);
        EXPECT_EQ(musician.asked[i].style, 1) << "a save dialog";
        EXPECT_EQ(musician.asked[i].text, expected[i].first);
        EXPECT_EQ(musician.asked[i].title, expected[i].second);
    }
}

TEST_F(UtilityCommands, ANoOrADismissedBoxChangesNothing)
{
    q->ChangeParameter(kCutoff, 10, false);
    q->RunCommand(cmd::kCopyProgram);
    q->SelectProgram(3);
    const Snapshot before(*q);
    musician.messageAnswers = {IUserServices::kAnswerNo, IUserServices::kAnswerNo, IUserServices::kAnswerOk};
    q->RunCommand(cmd::kPasteProgram);
    q->RunCommand(cmd::kInitProgram);
    q->RunCommand(cmd::kRestoreInternal);
    q->RunCommand(cmd::kRestoreCartridge);  // no answer left: dismissed
    EXPECT_EQ(musician.asked.size(), 4u);
    EXPECT_EQ(musician.asked[0].text, "Do you really want to overwrite the current program?");
    EXPECT_EQ(musician.asked[0].title, "Paste Program");
    EXPECT_EQ(musician.asked[1].title, "Initialize Program");
    EXPECT_EQ(musician.asked[3].text, "Do you really want to overwrite all cartridge programs?");
    EXPECT_EQ(Snapshot(*q), before);

    musician.messageAnswers = {IUserServices::kAnswerYes};
    q->RunCommand(cmd::kPasteProgram);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 10);
    EXPECT_STREQ(q->GetPresetName(3), q->GetPresetName(0));
}

TEST_F(UtilityCommands, AHeldAnswerContinuesTheCommandAndNothingElseRunsMeanwhile)
{
    q->ChangeParameter(kCutoff, 10, false);
    musician.holdAnswers = true;
    musician.messageAnswers.push_back(IUserServices::kAnswerYes);
    q->RunCommand(cmd::kInitProgram);
    ASSERT_EQ(musician.pending.size(), 1u);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 10);

    // While the question is open, other requests are ignored.
    q->RunCommand(cmd::kCopyProgram);
    q->OpenUtilityMenu(0, 0);
    EXPECT_EQ(musician.asked.size(), 1u);
    EXPECT_LT(q->copiedProgram, 0);

    musician.Release();
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), paramRanges[kCutoff].defaultValue);
    EXPECT_EQ(q->infoMessage, kInfoProgramInitialized);

    // A question its asker drops unanswered (an editor closing) frees the next command.
    q->RunCommand(cmd::kInitProgram);
    musician.pending.clear();
    q->RunCommand(cmd::kCopyProgram);
    EXPECT_EQ(q->copiedProgram, 0);
    EXPECT_EQ(q->infoMessage, kInfoProgramCopied);
}

TEST_F(UtilityCommands, AnAnswerAfterTheInstrumentIsGoneDoesNothing)
{
    musician.holdAnswers = true;
    musician.messageAnswers.push_back(IUserServices::kAnswerYes);
    musician.fileAnswers.push_back(File("late.fxb"));
    q->RunCommand(cmd::kInitProgram);
    q.plug.reset();
    musician.Release();
    EXPECT_TRUE(musician.pending.empty());
    EXPECT_EQ(musician.asked.size(), 1u);
}

TEST_F(UtilityCommands, StartFoldersFollowChosenFilesAndDefaultPathsAreStored)
{
    const std::string folderA = File("a");
    const std::string folderB = File("b");
    std::filesystem::create_directories(folderA);
    std::filesystem::create_directories(folderB);

    RunWithFile(cmd::kSaveProgram, folderA + "/one.fxp");
    RunWithFile(cmd::kSaveBank, "");  // cancelled: the folder stays
    RunWithFile(cmd::kLoadProgram, folderA + "/one.fxp");
    ASSERT_EQ(musician.asked.size(), 3u);
    EXPECT_EQ(musician.asked[1].folder, folderA);
    EXPECT_EQ(musician.asked[2].folder, folderA);
    EXPECT_EQ(musician.asked[2].style, 0) << "an open dialog";

    // The SysEx/WAV dialogs keep their own folder.
    RunWithFile(cmd::kSaveUserWaveInternal, folderB + "/wave.wav");
    RunWithFile(cmd::kSaveSysExBank, "");
    EXPECT_EQ(musician.asked.back().folder, folderB);

    RunWithFile(cmd::kProgramFolder, folderB + "/ignored");
    EXPECT_EQ(musician.asked.back().text, "[file name is ignored]");
    EXPECT_EQ(musician.asked.back().title, " ");
    EXPECT_EQ(q->programFolder, folderB);
    EXPECT_EQ(platform::GetProfileString("Global", "Path to Program Files", "", 4096, q->configPath), folderB);
    RunWithFile(cmd::kSysExFolder, folderA + "/ignored");
    RunWithFile(cmd::kSysExFolder, "");  // cancelled: the setting stays
    EXPECT_EQ(q->sysexFolder, folderA);
}

TEST_F(UtilityCommands, ConfigurationBoxesNameTheFile)
{
    q->midiThru = true;
    musician.messageAnswers = {IUserServices::kAnswerYes};
    q->RunCommand(cmd::kSaveConfiguration);
    EXPECT_EQ(musician.asked.back().text,
              "The INI configuration file is:\n" + q->configPath + "\n\nDo you really want to overwrite it?");
    EXPECT_EQ(musician.asked.back().title, "Save Configuration");

    q->midiThru = false;
    musician.messageAnswers = {IUserServices::kAnswerYes};
    q->RunCommand(cmd::kReloadConfiguration);
    EXPECT_EQ(musician.asked.back().text,
              "The INI configuration file is:\n" + q->configPath + "\n\nDo you really want to reload it?");
    EXPECT_TRUE(q->midiThru);

    std::filesystem::remove(q->configPath);
    musician.messageAnswers = {IUserServices::kAnswerYes};
    q->RunCommand(cmd::kReloadConfiguration);
    EXPECT_EQ(musician.asked.back().text, "The INI file does not exist.");
    EXPECT_EQ(musician.asked.back().title, "Problem with INI File");
    EXPECT_EQ(musician.asked.back().style & 0xF, IUserServices::kOk);
}

TEST_F(UtilityCommands, StartupBankIsSelectedConfirmedLoadedAndUnselected)
{
    const std::string bank = File("startup.fxb");
    q->ChangeParameter(kCutoff, 10, false);
    q->ModifyCurrentPreset();
    ASSERT_TRUE(SaveBankFile(*q, bank));

    RunWithFile(cmd::kSelectStartupBank, bank);
    EXPECT_EQ(musician.asked.back().title, "fxb");
    EXPECT_EQ(q->startupBankPath, bank);
    EXPECT_EQ(platform::GetProfileString("Startup Bank", "File", "", 4096, q->configPath), bank);

    q->ChangeParameter(kCutoff, 20, false);
    q->ModifyCurrentPreset();
    musician.messageAnswers = {IUserServices::kAnswerYes};
    q->RunCommand(cmd::kLoadStartupBank);
    EXPECT_EQ(musician.asked.back().text,
              "The Startup Bank is:\n" + bank + "\n\nDo you really want to reload all programs?");
    EXPECT_EQ(musician.asked.back().title, "Load Startup Bank");
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 10);

    // A startup bank that has gone away is a failed load.
    std::filesystem::remove(bank);
    const Snapshot before(*q);
    musician.messageAnswers = {IUserServices::kAnswerYes};
    q->RunCommand(cmd::kLoadStartupBank);
    EXPECT_EQ(ErrorBoxes("Cannot load file!"), 1);
    EXPECT_EQ(Snapshot(*q), before);

    musician.messageAnswers = {IUserServices::kAnswerNo, IUserServices::kAnswerYes};
    q->RunCommand(cmd::kUnselectStartupBank);
    EXPECT_EQ(q->startupBankPath, bank);
    q->RunCommand(cmd::kUnselectStartupBank);
    EXPECT_EQ(musician.asked.back().text, "The Startup Bank is:\n" + bank + "\n\nDo you really want to unselect it?");
    EXPECT_EQ(musician.asked.back().title, "Unselect Startup Bank");
    EXPECT_TRUE(q->startupBankPath.empty());
}

TEST_F(UtilityCommands, SysExFilesAreConfirmedByWhatTheyHold)
{
    struct Case {
        int save;
        const char* text;
        const char* title;
    };
    q->SelectProgram(60);
    const Case cases[] = {
        {cmd::kSaveSysExProgram, "This SysEx file will overwrite one or more programs.\nDo you want to continue?",
         "Load SysEx Program(s)"},
        {cmd::kSaveUserWaveSysExInternal, "This SysEx file will overwrite one of your User Waves.\nDo you want to continue?",
         "Load SysEx Program Bank"},
        {cmd::kSaveSysExBank,
         "This SysEx file contains 50 programs.\nDo you really want to overwrite all cartridge programs?",
         "Load SysEx Program Bank"},
    };
    for (const Case& c : cases) {
        const std::string path = File("kind.syx");
        RunWithFile(c.save, path);
        RunWithFile(cmd::kLoadSysExFile, path);  // and No
        EXPECT_EQ(musician.asked.back().text, c.text);
        EXPECT_EQ(musician.asked.back().title, c.title);
    }
    const std::string other = File("other.syx");
    const uint8_t unknown[] = {0xF0, 0x43, 0x10, 0x00, 0xF7};
    WriteBytes(other, unknown);
    RunWithFile(cmd::kLoadSysExFile, other);
    EXPECT_EQ(musician.asked.back().text, "This SysEx file may or may not do something to QOR.\nDo you want to continue?");
}

TEST_F(UtilityCommands, AFailedLoadSaysSoAndChangesNothing)
{
    const std::string junk = File("junk.bin");
    {
        std::ofstream(junk) << "RIFF but not really a file of ours";
    }
    const Snapshot before(*q);
    const auto userWaves = q->storedTables;
    int expectedErrors = 0;
    for (const int number : {cmd::kLoadProgram, cmd::kLoadBank, cmd::kLoadUserWaveInternal, cmd::kLoadUserWaveCartridge}) {
        RunWithFile(number, junk);
        EXPECT_EQ(ErrorBoxes("Cannot load file!"), ++expectedErrors) << "command " << number;
        RunWithFile(number, File("missing"));
        EXPECT_EQ(ErrorBoxes("Cannot load file!"), ++expectedErrors) << "command " << number;
    }
    // A SysEx file that cannot be read is not asked about.
    const std::size_t questions = musician.asked.size();
    RunWithFile(cmd::kLoadSysExFile, File("missing.syx"), 1);
    EXPECT_EQ(ErrorBoxes("Cannot load file!"), ++expectedErrors);
    EXPECT_EQ(musician.asked.size(), questions + 2);
    EXPECT_EQ(Snapshot(*q), before);
    EXPECT_EQ(q->storedTables, userWaves);
}

TEST_F(UtilityCommands, ASysExFileRefusedHalfWayIsUndoneAsAWhole)
{
    q->SelectProgram(12);
    q->ChangeParameter(kCutoff, 40, false);
    const std::string good = File("good.syx");
    RunWithFile(cmd::kSaveSysExProgram, good);
    std::vector<uint8_t> bytes = ReadBytes(good);
    // A bank message far too short for one: refused.
    const uint8_t broken[] = {0xF0, 0x40, 0x00, 0x21, 0x00, 0x01, 0x00, 0xF7};
    bytes.insert(bytes.end(), std::begin(broken), std::end(broken));
    const std::string mixed = File("mixed.syx");
    WriteBytes(mixed, bytes);

    q->ChangeParameter(kCutoff, 70, false);
    q->SelectProgram(3);
    q->ChangeParameter(kResonance, 9, false);  // unsaved, and kept
    const Snapshot before(*q);
    RunWithFile(cmd::kLoadSysExFile, mixed, 1);
    EXPECT_EQ(ErrorBoxes("Cannot load file!"), 1);
    EXPECT_EQ(Snapshot(*q), before);
    EXPECT_EQ(q->infoMessage, kInfoVersion);

    RunWithFile(cmd::kLoadSysExFile, good, 1);
    EXPECT_EQ(ErrorBoxes("Cannot load file!"), 1);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 40);
}

TEST_F(UtilityCommands, AFailedSaveSaysSo)
{
    const std::string nowhere = File("no-such-folder/file");
    for (const int number : {cmd::kSaveProgram, cmd::kSaveBank, cmd::kSaveSysExProgram, cmd::kSaveSysExBank,
                             cmd::kSaveUserWaveInternal, cmd::kSaveUserWaveCartridge, cmd::kSaveUserWaveSysExInternal,
                             cmd::kSaveUserWaveSysExCartridge})
        RunWithFile(number, nowhere);
    EXPECT_EQ(ErrorBoxes("Cannot save file!"), 8);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

}  // namespace
}  // namespace qor::test
