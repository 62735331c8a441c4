#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "platform/Profile.h"
#include "programs/ParameterTable.h"
#include "tests/plugin/PlugFixture.h"
#include "tests/plugin/ScriptedServices.h"

namespace qor {
namespace {

// Keys as the panel numbers them.
constexpr int kWrite = 256, kTransposeMode = 258, kParameterMode = 260, kCartridgeBank = 263,
              kFunctionMode = 262, kInternalBank = 261, kLink = 314, kDown = 316, kUp = 317;
constexpr int NumberKey(int n) { return 263 + n; }
constexpr int FunctionKey(int f) { return 299 + f; }

// Reads a display the way a musician does: one character per digit.
char Read(uint8_t segments)
{
    struct Shape {
        uint8_t bits;
        char c;
    };
    // a=01 b=02 c=04 d=08 e=10 f=20 g=40
    static const Shape shapes[] = {{0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'},
                                   {0x6D, '5'}, {0x7D, '6'}, {0x07, '7'}, {0x7F, '8'}, {0x6F, '9'},
                                   {0x40, '-'}, {0x00, ' '}, {0x30, 'I'}, {0x54, 'n'}, {0x39, 'C'},
                                   {0x50, 'r'}, {0x73, 'P'}, {0x71, 'F'}, {0x78, 't'}, {0x5C, 'o'}};
    for (const Shape& s : shapes)
        if (s.bits == (segments & 0x7F)) return s.c;
    return '?';
}
std::string Read(uint16_t pattern)
{
    return {Read(static_cast<uint8_t>(pattern >> 8)), Read(static_cast<uint8_t>(pattern & 0xFF))};
}

class FrontPanel : public test::PlugFixture {
protected:
    void SetUp() override
    {
        PlugFixture::SetUp();
        plug->SetServices(&services);
    }
    using PlugFixture::Value;
    void Press(int key, bool alternate = false) { plug->PressPanelKey(key, alternate); }
    void Click(int key)
    {
        Press(key);
        plug->ReleasePanelKey(key);
    }
    void Idle(int times = 1)
    {
        for (int i = 0; i < times; ++i) plug->OnIdle();
    }
    std::string Orange() const { return Read(plug->SegmentPattern(PanelView::kDisplayOrange)); }
    // The two white displays as the four digits they read as.
    std::string Value() const
    {
        return Read(plug->SegmentPattern(PanelView::kDisplayLeft)) + Read(plug->SegmentPattern(PanelView::kDisplayRight));
    }
    bool EditDot() const { return (plug->SegmentPattern(PanelView::kDisplayRight) & PanelView::kSegDot) != 0; }
    std::string Ini(const char* key)
    {
        return platform::GetProfileString("Global", key, "<none>", 1000,
                                          (home.Root() / ".config" / "Marrowind" / "qor.ini").string());
    }
    // Records the chain by keys: write, link, the programs, write.
    void Record(const std::vector<int>& keys)
    {
        Click(kWrite);
        Click(kLink);
        for (int key : keys) Click(key);
        Click(kWrite);
    }

    test::ScriptedServices services;
};

TEST_F(FrontPanel, ParameterModeNumberKeysChooseTheWorkingParameter)
{
    plug->ChangeParameter(kCutoff, 50, false);
    plug->ChangeParameter(kKbVcf, 0, false);
    plug->programEdited = false;
    Click(kParameterMode);
    EXPECT_EQ(plug->PanelMode(), 1);
    Click(NumberKey(1));
    EXPECT_EQ(Value(kWorkingParameter), kOsc1Wave);
    EXPECT_EQ(Orange(), " 1");
    EXPECT_EQ(plug->DisplayText(), WaveName(*plug, kOsc1Wave, false));
    Click(NumberKey(40));
    EXPECT_EQ(Value(kWorkingParameter), kOsc1Wave);

    Click(NumberKey(10));  // Cutoff, hardware number 10
    EXPECT_EQ(Orange(), "10");
    EXPECT_EQ(Value(), "  50");
    Click(kUp);
    EXPECT_EQ(Value(kCutoff), 51);
    EXPECT_EQ(Value(), "  51");
    EXPECT_TRUE(EditDot());
    EXPECT_EQ(plug->DisplayText(), "QOR Version 1.1.1.N");

    // A negative value takes its minus sign left of the digits.
    Click(NumberKey(37));  // KB VCF
    for (int i = 0; i < 15; ++i) Click(kDown);
    EXPECT_EQ(Value(), " -15");

    Click(kParameterMode);
    EXPECT_EQ(plug->PanelMode(), 0);
    EXPECT_FALSE(plug->programEdited);
}

TEST_F(FrontPanel, FunctionSixWritesTheK3LevelAtOnce)
{
    plug->SetMidiLevel(1);
    Click(kFunctionMode);
    Click(FunctionKey(6));
    EXPECT_EQ(plug->FunctionNumber(), 6);
    EXPECT_EQ(Orange(), " 6");
    EXPECT_EQ(Value(), "   2");
    Click(kUp);
    EXPECT_EQ(plug->k3FunctionLevel, 2);
    EXPECT_EQ(Ini("K3 Function"), "3");
    EXPECT_EQ(Value(), "   3");
    for (int i = 0; i < 5; ++i) Click(kUp);
    EXPECT_EQ(Ini("K3 Function"), "5");
}

TEST_F(FrontPanel, HeldValueKeyRepeatsAfterThirtyIdleCallsThenEverySecond)
{
    plug->ChangeParameter(kCutoff, 50, false);
    Click(kParameterMode);
    Click(NumberKey(10));
    Press(kUp);
    EXPECT_EQ(Value(kCutoff), 51);
    Idle(29);
    EXPECT_EQ(Value(kCutoff), 51);
    Idle();
    EXPECT_EQ(Value(kCutoff), 52);
    Idle();
    EXPECT_EQ(Value(kCutoff), 52);
    Idle();
    EXPECT_EQ(Value(kCutoff), 53);
    Idle(4);
    EXPECT_EQ(Value(kCutoff), 55);
    plug->ReleasePanelKey(kUp);
    Idle(40);
    EXPECT_EQ(Value(kCutoff), 55);
}

TEST_F(FrontPanel, LfoSpeedMovesInFivesUnderSync)
{
    plug->ChangeParameter(kWorkingParameter, kLfoSpeed, false);
    plug->ChangeParameter(kLfoSpeed, 42, false);
    Click(kUp);
    EXPECT_EQ(Value(kLfoSpeed), 43);  // free-running: single steps
    plug->ChangeParameter(kLfoSync, 1, false);
    EXPECT_TRUE(plug->LfoSpeedInFives());
    plug->ChangeParameter(kLfoSpeed, 42, false);
    Click(kUp);
    EXPECT_EQ(Value(kLfoSpeed), 45);
    plug->ChangeParameter(kLfoSpeed, 42, false);
    Click(kDown);
    EXPECT_EQ(Value(kLfoSpeed), 35);
    plug->ChangeParameter(kLfoSpeed, 43, false);
    Click(kUp);
    EXPECT_EQ(Value(kLfoSpeed), 50);  // 48 lies nearer 50
    Click(kUp);
    Click(kUp);
    EXPECT_EQ(Value(kLfoSpeed), 60);
}

TEST_F(FrontPanel, RecordedChainIsStoredAndPlayedByTheLinkKey)
{
    plug->SetWriteProtect(false);
    plug->linkChain = {7, 8};
    // Indices 0 and 4 (internal), then 59 by the cartridge bank key.
    Click(kWrite);
    EXPECT_EQ(plug->infoMessage, 16);
    Click(kLink);
    EXPECT_EQ(plug->infoMessage, 17);
    EXPECT_EQ(plug->linkChain, (std::vector<uint8_t>{7, 8}));  // replaced only at the first program
    Click(NumberKey(1));
    Click(NumberKey(5));
    Click(kCartridgeBank);
    Click(NumberKey(10));
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 59);
    Click(kWrite);
    EXPECT_EQ(plug->infoMessage, 18);
    EXPECT_EQ(Ini("Link"), "1,5,60");

    Click(NumberKey(20));  // another key: the chain starts from its beginning
    for (int expected : {0, 4, 59, 0}) {
        Click(kLink);
        EXPECT_EQ(plug->GetCurrentPresetIndex(), expected);
    }
}

TEST_F(FrontPanel, ChainEntriesOfTheWholeRangeReadBack)
{
    plug->SetWriteProtect(false);
    Click(kInternalBank);  // a bank key before the write key changes nothing
    Record({kCartridgeBank, NumberKey(50), kInternalBank, NumberKey(2)});
    EXPECT_EQ(Ini("Link"), "100,2");

    Make();
    plug->SetServices(&services);
    EXPECT_EQ(plug->linkChain, (std::vector<uint8_t>{100, 2}));
    Click(kLink);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 99);

    std::ofstream(home.Root() / ".config" / "Marrowind" / "qor.ini", std::ios::trunc) << "[Global]\nLink=2,,4\n";
    Make();
    Click(kLink);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 1);
    Click(kLink);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 3);
}

TEST_F(FrontPanel, AFullChainSelectsFurtherProgramsWithoutWritingThem)
{
    plug->SetWriteProtect(false);
    const std::string name = plug->GetPresetName(33);
    ASSERT_NE(name, plug->GetPresetName(32));
    Click(kWrite);
    Click(kLink);
    for (int n = 1; n <= 35; ++n) Click(NumberKey(n));
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 34);
    EXPECT_EQ(plug->linkChain.size(), 32u);
    EXPECT_EQ(plug->linkChain.back(), 32);
    EXPECT_EQ(plug->GetPresetName(33), name);  // not overwritten by program 33
    Click(kWrite);
    EXPECT_EQ(plug->infoMessage, 18);
}

TEST_F(FrontPanel, LeavingWriteModeWithoutAddingKeepsTheOldChain)
{
    plug->SetWriteProtect(false);
    plug->linkChain = {3};
    plug->WriteLinkChain();
    Click(kWrite);
    Click(kLink);
    Click(kWrite);
    EXPECT_EQ(plug->linkChain, (std::vector<uint8_t>{3}));
    EXPECT_EQ(Ini("Link"), "3");
    EXPECT_EQ(plug->infoMessage, 0);
}

TEST_F(FrontPanel, ProgramKeyInWriteModeWritesTheWorkingProgramThere)
{
    plug->SetWriteProtect(false);
    plug->SelectProgram(2);
    plug->ChangeParameter(kCutoff, 77, false);
    std::vector<double> pulse(512, -1.0);
    std::fill(pulse.begin(), pulse.begin() + 40, 1.0);
    plug->WriteUserWaveSamples(0, pulse.data(), static_cast<int>(pulse.size()));
    plug->CopyActiveToStored(0, 0);
    const std::vector<uint8_t> heard(plug->ActiveTable(0), plug->ActiveTable(0) + kUserWaveBytes);
    Click(kWrite);
    Click(NumberKey(9));
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 8);
    EXPECT_EQ(std::vector<uint8_t>(plug->ActiveTable(0), plug->ActiveTable(0) + kUserWaveBytes), heard);
    EXPECT_EQ(std::string(plug->GetPresetName(8)), plug->GetPresetName(2));
    plug->SelectProgram(0);
    plug->SelectProgram(8);
    EXPECT_EQ(Value(kCutoff), 77);
    // Write mode has ended: the next program key selects.
    Click(NumberKey(1));
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 0);
}

TEST_F(FrontPanel, ProtectionRefusesWritingAndRecordingWithAWarning)
{
    ASSERT_TRUE(plug->writeProtect);
    plug->linkChain = {3};
    plug->SelectProgram(2);
    auto bytes = [&](int slot) {
        const IChunk& state = plug->GetPresetSlot(slot)->state;
        return std::vector<uint8_t>(state.Data(), state.Data() + state.Size());
    };
    const std::vector<uint8_t> before = bytes(8);
    plug->ChangeParameter(kCutoff, 77, false);
    Click(kWrite);
    Click(NumberKey(9));
    EXPECT_TRUE(plug->storeRefused);
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 2);
    EXPECT_EQ(bytes(8), before);
    // The warning flashes on the orange display and the write LED.
    bool sawWarning = false, sawMemory = false;
    for (int i = 0; i < 10; ++i, Idle()) {
        sawWarning = sawWarning || (Orange() == "Pr" && plug->LedOn(333));
        sawMemory = sawMemory || Orange() == "In";
    }
    EXPECT_TRUE(sawWarning);
    EXPECT_TRUE(sawMemory);

    Click(kLink);
    EXPECT_FALSE(plug->storeRefused);  // every key clears it
    Click(NumberKey(9));
    EXPECT_TRUE(plug->storeRefused);
    EXPECT_EQ(plug->linkChain, (std::vector<uint8_t>{3}));
    Click(kWrite);
    EXPECT_EQ(Ini("Link"), "<none>");
}

TEST_F(FrontPanel, MemoryCopiesWaitForYesAndRespectProtection)
{
    plug->SetWriteProtect(false);
    plug->GetPresetSlot(0)->SetName("ALPHA");
    plug->GetPresetSlot(50)->SetName("OMEGA");
    services.holdAnswers = true;
    services.messageAnswers = {IUserServices::kAnswerYes};
    Click(kFunctionMode);
    Click(FunctionKey(13));
    ASSERT_EQ(services.asked.size(), 1u);
    EXPECT_EQ(services.asked[0].text, "Do you really want to overwrite all cartridge programs?");
    EXPECT_EQ(services.asked[0].title, "Load Internal To Cartridge");
    EXPECT_STREQ(plug->GetPresetName(50), "OMEGA");  // nothing before the answer
    services.Release();
    EXPECT_STREQ(plug->GetPresetName(50), "ALPHA");
    EXPECT_EQ(plug->infoMessage, 8);

    services.holdAnswers = false;
    plug->GetPresetSlot(50)->SetName("OMEGA");
    services.messageAnswers = {IUserServices::kAnswerNo};
    Click(FunctionKey(14));
    EXPECT_EQ(services.asked.back().title, "Load Cartridge To Internal");
    EXPECT_STREQ(plug->GetPresetName(0), "ALPHA");
    Click(FunctionKey(14));  // after a No, the same key asks again
    EXPECT_EQ(services.asked.size(), 3u);

    // Protection switched on while the box is open stops the copy.
    services.holdAnswers = true;
    services.messageAnswers = {IUserServices::kAnswerYes};
    Click(FunctionKey(13));
    plug->SetProtectSwitch(true);
    services.Release();
    EXPECT_STREQ(plug->GetPresetName(50), "OMEGA");
    EXPECT_TRUE(plug->storeRefused);
    // Under protection nothing is even asked.
    const auto asked = services.asked.size();
    Click(FunctionKey(14));
    EXPECT_EQ(services.asked.size(), asked);
    EXPECT_TRUE(plug->storeRefused);
}

TEST_F(FrontPanel, CopiedProgramsKeepTheirOwnUserWave)
{
    plug->SetWriteProtect(false);
    plug->SelectProgram(50);
    std::vector<double> sine(512);
    for (std::size_t i = 0; i < sine.size(); ++i) sine[i] = std::sin(2 * M_PI * 3 * static_cast<double>(i) / 512);
    plug->WriteUserWaveSamples(1, sine.data(), static_cast<int>(sine.size()));
    plug->CopyActiveToStored(1, 1);
    const auto own = plug->storedTables[1];
    const auto other = plug->storedTables[0];
    ASSERT_NE(own, other);
    plug->SelectProgram(0);  // stores program 50 with its wave

    services.messageAnswers = {IUserServices::kAnswerYes};
    Click(kFunctionMode);
    Click(FunctionKey(14));
    EXPECT_EQ(plug->infoMessage, 7);
    // Program 1 now holds what C01 held; its own memory's wave is C01's own.
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 0);
    EXPECT_EQ(plug->storedTables[0], own);
    EXPECT_EQ(plug->storedTables[1], other);
    const uint8_t* playing = plug->ActiveTable(0);
    EXPECT_TRUE(std::equal(own.begin(), own.end(), playing));
    EXPECT_STREQ(plug->GetPresetName(0), plug->GetPresetName(50));
}

TEST_F(FrontPanel, PlayModeShowsProgramMemoryAndModes)
{
    plug->SelectProgram(11);
    EXPECT_EQ(Orange(), "In");
    EXPECT_EQ(Value(), "  12");
    EXPECT_FALSE(EditDot());
    EXPECT_TRUE(plug->LedOn(328));   // internal bank
    EXPECT_FALSE(plug->LedOn(326));
    plug->ChangeParameter(kCutoff, 10, false);
    EXPECT_TRUE(EditDot());
    plug->SelectProgram(61);
    EXPECT_EQ(Orange(), "Cr");
    EXPECT_EQ(Value(), "  12");
    EXPECT_TRUE(plug->LedOn(326));
    Click(kInternalBank);  // the pending bank shows before the number key
    EXPECT_EQ(Orange(), "In");
    EXPECT_TRUE(plug->LedOn(328));

    Click(kTransposeMode);
    EXPECT_TRUE(plug->LedOn(331));
    EXPECT_EQ(Orange(), "tr");
    Click(kDown);
    Click(kDown);
    EXPECT_EQ(Value(), "  -2");
    EXPECT_EQ(Value(kTranspose), -2);

    Click(kFunctionMode);
    EXPECT_TRUE(plug->LedOn(327));
    EXPECT_FALSE(plug->LedOn(331));
    EXPECT_EQ(Orange(), "Fn");
    Click(FunctionKey(15));
    Click(kUp);
    EXPECT_EQ(Value(kMasterTune), 1);

    Click(257);  // portamento
    EXPECT_TRUE(plug->LedOn(332));
    Click(257);
    EXPECT_FALSE(plug->LedOn(332));
}

TEST_F(FrontPanel, FunctionEightSendsUserWavesWhileItsCounterIsOddFromTheBankKeys)
{
    Click(kFunctionMode);
    Click(FunctionKey(8));
    for (int i = 0; i < 5; ++i) Click(kUp);
    EXPECT_EQ(Value(), "   3");  // the counter stops at 3
    ClearSent();
    Click(kInternalBank);   // 3: sends, then 2
    Click(kCartridgeBank);  // 2: nothing, then 1
    Click(kCartridgeBank);  // 1: sends, then 0
    Click(kInternalBank);   // 0: nothing
    EXPECT_EQ(Value(), "   0");
    const auto sent = SentSysEx();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0][6], 100);  // internal user wave
    EXPECT_EQ(sent[1][6], 101);  // cartridge user wave
    EXPECT_EQ(sent[0].size(), 138u);
}

TEST_F(FrontPanel, TextDisplayShowsMessagesWhenAskedAndTheWaveBeingEdited)
{
    plug->linkChain.clear();
    Click(kParameterMode);
    Click(NumberKey(7));  // OSC 2 Wave
    const std::string name(WaveName(*plug, kOsc2Wave, false));
    EXPECT_EQ(plug->DisplayText(), name);
    const auto wave = plug->CurrentWave();
    EXPECT_EQ(wave.wave, static_cast<int>(Value(kOsc2Wave)));
    ASSERT_NE(wave.samples, nullptr);
    for (int k = 0; k < 512; ++k)
        ASSERT_EQ(wave.samples[k], waveRom[static_cast<std::size_t>(wave.wave) * kWaveSlotBytes + 2 * k]) << k;
    plug->ChangeParameter(kOsc2Wave, kWaveNoise, false);
    EXPECT_EQ(plug->CurrentWave().samples, nullptr);
    EXPECT_EQ(plug->DisplayText(), "WHITE NOISE");

    Click(kParameterMode);
    Click(kLink);  // an empty chain says so, and nothing else happens
    EXPECT_EQ(plug->DisplayText(), "Program Link chain is empty.");
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 0);
    plug->showInformation = false;
    EXPECT_EQ(plug->DisplayText(), "WHITE NOISE");
    Click(kTransposeMode);
    EXPECT_EQ(plug->DisplayText(), "");

    plug->showInformation = true;
    Click(kFunctionMode);
    Click(FunctionKey(4));
    EXPECT_TRUE(plug->learnActive);
    EXPECT_EQ(plug->DisplayText(), "MIDI Learn is active...");
}

TEST_F(FrontPanel, WriteModeFlashesTheProgramNumber)
{
    plug->SelectProgram(4);
    Click(kWrite);
    std::vector<std::string> seen;
    for (int i = 0; i < 10; ++i, Idle()) seen.push_back(Value());
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "   5"), 5);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "    "), 5);
}

}  // namespace
}  // namespace qor
