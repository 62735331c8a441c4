#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ParameterIndex.h"
#include "platform/Profile.h"
#include "tests/plugin/PlugFixture.h"

namespace qor {
namespace {

class Configuration : public test::PlugFixture {
protected:
    std::string Ini() const { return (home.Root() / ".config" / "Marrowind" / "qor.ini").string(); }
    void PutIni(const std::string& text) { std::ofstream(Ini(), std::ios::binary) << text; }
    std::string Get(const char* section, const char* key)
    {
        return platform::GetProfileString(section, key, "<none>", 10000, Ini());
    }
};

TEST_F(Configuration, FirstRunCreatesTheFileAndKeepsTheDefaults)
{
    EXPECT_EQ(plug->configPath, Ini());
    EXPECT_TRUE(std::filesystem::is_regular_file(Ini()));
    EXPECT_TRUE(plug->sendParameterSysEx);
    EXPECT_TRUE(plug->writeProtect);
    EXPECT_TRUE(plug->showInformation);
    EXPECT_FALSE(plug->midiThru);
    EXPECT_FALSE(plug->ignoreProgramChange);
    EXPECT_EQ(plug->k3FunctionLevel, 4);
    EXPECT_TRUE(plug->linkChain.empty());
    EXPECT_TRUE(plug->startupBankPath.empty());
    EXPECT_TRUE(plug->sysexFolder.empty());
    EXPECT_EQ(plug->programFolder, plug->documentsFolder);
    for (int32_t entry : plug->controllerMap) EXPECT_EQ(entry, -1);
}

TEST_F(Configuration, AMissingFileIsReportedAndChangesNothing)
{
    std::filesystem::remove(Ini());
    plug->midiThru = true;
    plug->controllerMap[3] = 4;
    EXPECT_EQ(plug->ReadConfiguration(), 11);
    EXPECT_TRUE(plug->midiThru);
    EXPECT_EQ(plug->controllerMap[3], 4);
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(Configuration, K3FunctionTakesExactlyOneDigitFrom1To4)
{
    const std::vector<std::pair<std::string, int>> cases{{"1", 0}, {"2", 1}, {"4", 3}, {"5", 4}, {"7", 4},
                                                         {"0", 4}, {"12", 4}, {"", 4}, {"x", 4}};
    for (const auto& [text, level] : cases) {
        plug->SetMidiLevel(0);
        PutIni("[Global]\nK3 Function=" + text + "\n");
        ASSERT_EQ(plug->ReadConfiguration(), 0);
        EXPECT_EQ(plug->k3FunctionLevel, level) << '"' << text << '"';
        EXPECT_EQ(plug->engine.k3FunctionLevel, level);
    }
}

TEST_F(Configuration, ControllerValuesFollowAtoiAndTheLeadingZeroRule)
{
    PutIni("[MIDI Control]\nCC7=0\nCC8=x\nCC9=-1\nCC10=17\nCC11=007\nCC12=0x\nCC13=99999999999\nCC14=  3 \n"
           "CC15=5abc\nCC119=59\nCC120=3\n");
    plug->controllerMap.fill(2);
    ASSERT_EQ(plug->ReadConfiguration(), 0);
    EXPECT_EQ(plug->controllerMap[7], 0);
    EXPECT_EQ(plug->controllerMap[8], -1);
    EXPECT_EQ(plug->controllerMap[9], -1);
    EXPECT_EQ(plug->controllerMap[10], 17);
    EXPECT_EQ(plug->controllerMap[11], 7);
    EXPECT_EQ(plug->controllerMap[12], 0);
    EXPECT_EQ(plug->controllerMap[13], INT_MAX);  // kept unchecked, saturated instead of overflowing
    EXPECT_EQ(plug->controllerMap[14], 3);
    EXPECT_EQ(plug->controllerMap[15], 5);
    EXPECT_EQ(plug->controllerMap[119], 59);
    EXPECT_EQ(plug->controllerMap[6], -1);  // a missing key reads as "-1"
}

TEST_F(Configuration, BooleansAreTrueOnlyForTrueInAnyCase)
{
    PutIni("[Global]\nWrite Protect=FALSE\n[MIDI Global]\nMIDI Thru=TRUE\nIgnore Program Change=yes\n"
           "Send Parameter SysEx=\n[Editor]\nShow Information=tRuE\n");
    plug->showInformation = false;
    ASSERT_EQ(plug->ReadConfiguration(), 0);
    EXPECT_FALSE(plug->writeProtect);
    EXPECT_EQ(plug->infoMessage, kInfoProtectionOff);
    EXPECT_EQ(Get("Global", "Write Protect"), "false");  // written back
    EXPECT_TRUE(plug->midiThru);
    EXPECT_FALSE(plug->ignoreProgramChange);
    EXPECT_TRUE(plug->sendParameterSysEx);  // empty: unchanged
    EXPECT_TRUE(plug->showInformation);
}

TEST_F(Configuration, SectionsAndKeysIgnoreCaseAndJunkIsSkipped)
{
    PutIni("garbage\n\x01\x02\xff\n[midi global\n[MIDI GLOBAL]\nnonsense line\n  midi THRU = true\n[global]\nk3 function=3\n"
           "[midi control]\ncc4=12\n");
    ASSERT_EQ(plug->ReadConfiguration(), 0);
    EXPECT_TRUE(plug->midiThru);
    EXPECT_EQ(plug->k3FunctionLevel, 2);
    EXPECT_EQ(plug->controllerMap[4], 12);
}

TEST_F(Configuration, SaveConfigurationWritesOnlyMappedControllers)
{
    PutIni("[MIDI Control]\nCC7=3\nCC8=4\n");
    ASSERT_EQ(plug->ReadConfiguration(), 0);
    plug->controllerMap[8] = -1;
    plug->controllerMap[100] = 0;
    plug->WriteConfiguration(-1);
    EXPECT_EQ(Get("MIDI Control", "CC7"), "3");
    EXPECT_EQ(Get("MIDI Control", "CC8"), "<none>");
    EXPECT_EQ(Get("MIDI Control", "CC100"), "0");
    EXPECT_EQ(Get("Editor", "Show Information"), "true");
    EXPECT_EQ(Get("MIDI Global", "Send Parameter SysEx"), "true");
    EXPECT_EQ(Get("Startup Bank", "File"), "");
    // Link, K3 Function and the folders are not part of it.
    EXPECT_EQ(Get("Global", "Link"), "<none>");
    EXPECT_EQ(Get("Global", "K3 Function"), "<none>");
    EXPECT_EQ(Get("Global", "Path to Program Files"), "<none>");
}

TEST_F(Configuration, OneSettingAtATime)
{
    plug->midiThru = true;
    plug->ignoreProgramChange = true;
    plug->WriteConfiguration(39);
    EXPECT_EQ(Get("MIDI Global", "Ignore Program Change"), "true");
    EXPECT_EQ(Get("MIDI Global", "MIDI Thru"), "<none>");
    plug->WriteConfiguration(38);
    EXPECT_EQ(Get("MIDI Global", "MIDI Thru"), "true");
    plug->showInformation = false;
    plug->WriteConfiguration(24);
    EXPECT_EQ(Get("Editor", "Show Information"), "false");
}

TEST_F(Configuration, StartupBankIsSetAndCleared)
{
    plug->SetStartupBank("/banks/my bank.fxb");
    EXPECT_EQ(Get("Startup Bank", "File"), "/banks/my bank.fxb");
    ASSERT_EQ(plug->ReadConfiguration(), 0);
    EXPECT_EQ(plug->startupBankPath, "/banks/my bank.fxb");
    plug->ClearStartupBank();
    EXPECT_TRUE(plug->startupBankPath.empty());
    EXPECT_EQ(Get("Startup Bank", "File"), "<none>");
}

TEST_F(Configuration, LinkChainTextAndParsing)
{
    plug->linkChain = {1, 5, 60};
    plug->WriteLinkChain();
    EXPECT_EQ(Get("Global", "Link"), "1,5,60");
    plug->linkChain.clear();
    plug->WriteLinkChain();
    EXPECT_EQ(Get("Global", "Link"), "");

    auto parse = [&](const std::string& text) {
        plug->ParseLinkChain(text);
        return std::vector<int>(plug->linkChain.begin(), plug->linkChain.end());
    };
    EXPECT_EQ(parse("3,12, 7"), (std::vector<int>{3, 12, 7}));
    EXPECT_EQ(parse("2,,4"), (std::vector<int>{2, 4}));
    EXPECT_EQ(parse("100,99"), (std::vector<int>{100, 99}));
    EXPECT_EQ(parse("1000,0,101,-5,a"), (std::vector<int>{100, 5}));  // three digits kept; 0 and 101 name no program
    EXPECT_EQ(parse(""), (std::vector<int>{}));
    std::string many;
    for (int i = 1; i <= 40; ++i) many += std::to_string(i) + ",";
    EXPECT_EQ(parse(many).size(), 32u);
}

TEST_F(Configuration, EverythingTheProgramWritesReadsBackWhole)
{
    // 32 entries from 100 down: 96 characters, far more than 63.
    std::vector<uint8_t> chain;
    for (int i = 0; i < 32; ++i) chain.push_back(static_cast<uint8_t>(100 - i));
    const std::string programs = "/" + std::string(299, 'p');
    const std::string sysex = "/home/user/" + std::string(4000, 's');

    plug->linkChain = chain;
    plug->programFolder = programs;
    plug->sysexFolder = sysex;
    plug->midiThru = true;
    plug->ignoreProgramChange = true;
    plug->sendParameterSysEx = false;
    plug->showInformation = false;
    plug->SetWriteProtect(false);
    plug->SetMidiLevel(1);
    plug->controllerMap[0] = 0;
    plug->controllerMap[64] = 59;
    plug->controllerMap[119] = kCutoff;
    plug->SetStartupBank("/tmp/none.fxb");
    plug->WriteConfiguration(-1);
    plug->WriteLinkChain();
    plug->WriteK3Function();
    plug->WriteProgramFolder();
    plug->WriteSysExFolder();
    EXPECT_EQ(Get("Global", "Link").size(), 96u);

    const auto map = plug->controllerMap;
    Make();
    EXPECT_EQ(plug->linkChain, chain);
    EXPECT_EQ(plug->programFolder, programs);
    EXPECT_EQ(plug->sysexFolder, sysex);
    EXPECT_TRUE(plug->midiThru);
    EXPECT_TRUE(plug->ignoreProgramChange);
    EXPECT_FALSE(plug->sendParameterSysEx);
    EXPECT_FALSE(plug->showInformation);
    EXPECT_FALSE(plug->writeProtect);
    EXPECT_EQ(plug->k3FunctionLevel, 1);
    EXPECT_EQ(plug->controllerMap, map);
    // The bank does not exist: construction falls back and forgets it, the file keeps it.
    EXPECT_TRUE(plug->startupBankPath.empty());
    EXPECT_EQ(Get("Startup Bank", "File"), "/tmp/none.fxb");
}

TEST_F(Configuration, AFolderThatCannotBeWrittenLeavesTheFileAsItWas)
{
    PutIni("[Global]\nPath to SysEx Files=/old\n");
    plug->sysexFolder = "/new\nfolder";
    plug->WriteSysExFolder();
    EXPECT_EQ(Get("Global", "Path to SysEx Files"), "/old");
}

}  // namespace
}  // namespace qor
