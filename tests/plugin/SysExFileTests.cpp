#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

class SysExFiles : public ::testing::Test {
protected:
    SysExFiles() { q->writeProtect = false; }
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = q.home.File(name);
        WriteBytes(path, bytes);
        return path;
    }
    QorInstance q;
};

TEST_F(SysExFiles, ProgramDumpToAFileLoadsBackIntoItsSlot)
{
    q->ChangeParameter(kCutoff, 64, false);
    q->ChangeParameter(kAutoBend, -20, false);
    const ParamValues sent = Values(*q);
    const std::string path = q.home.File("one.syx");
    ASSERT_TRUE(q->SendProgramDump(8, path));
    const Bytes file = ReadBytes(path);
    const auto want = sysex::ProgramDump(8, sysex::EncodeProgram(sent));
    EXPECT_EQ(file, Bytes(want.begin(), want.end()));
    EXPECT_EQ(q->ClassifySysExFile(path), 4);

    ASSERT_TRUE(q->LoadSysExFile(path));
    EXPECT_EQ(q->GetCurrentPresetIndex(), 8);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 64);
    EXPECT_EQ(q->GetParam(kAutoBend)->Value(), -20);
}

TEST_F(SysExFiles, BankAndUserWaveDumpsWriteTheirMessages)
{
    q->RestorePreset(55);
    const std::string bank = q.home.File("bank.syx");
    ASSERT_TRUE(q->SendBankDump(0, bank));  // the current program's memory: cartridge
    const Bytes file = ReadBytes(bank);
    ASSERT_EQ(file.size(), sysex::kBankDumpBytes);
    EXPECT_EQ(file[6], 1);
    EXPECT_EQ(q->ClassifySysExFile(bank), 7);
    EXPECT_EQ(q->GetCurrentPresetIndex(), 55);

    q->recipes[0] = {{1, {0.0, 30.6}}, {4, {0.0, 2.2}}};
    const std::string wave = q.home.File("wave.syx");
    ASSERT_TRUE(q->SendUserWaveDump(0, wave));
    const Bytes waveFile = ReadBytes(wave);
    ASSERT_EQ(waveFile.size(), sysex::kUserWaveDumpBytes);
    EXPECT_EQ(Bytes(waveFile.begin() + 6, waveFile.begin() + 15), (Bytes{100, 0, 1, 1, 15, 0, 4, 0, 2}));
    EXPECT_EQ(q->ClassifySysExFile(wave), 5);
    EXPECT_FALSE(q->SendProgramDump(0, q.home.File("no/such/folder.syx")));
}

TEST_F(SysExFiles, LoadingAFileAcceptsEachMessageAndReportsAnyRefusal)
{
    const auto a = sysex::ProgramDump(1, sysex::EncodeProgram(Defaults()));
    ParamValues v = Defaults();
    v[kResonance] = 30;
    const auto b = sysex::ProgramDump(2, sysex::EncodeProgram(v));
    Bytes file{0x11, 0x22};  // junk before the first message
    file.insert(file.end(), a.begin(), a.end());
    file.insert(file.end(), {0xF0, 0x40, 0x00, 0x20, 0x00, 0x01, 0x05, 0xF7});  // a program too short: write error
    file.insert(file.end(), b.begin(), b.end());
    file.insert(file.end(), {0xF0, 0x40, 0x00});  // cut off after the last F7
    EXPECT_FALSE(q->LoadSysExFile(Write("mixed.syx", file)));
    EXPECT_EQ(q->GetCurrentPresetIndex(), 2);
    EXPECT_EQ(q->GetParam(kResonance)->Value(), 30);
    EXPECT_STREQ(q->GetPresetName(1), "PROGRAM I02");

    const Snapshot before(*q);
    EXPECT_TRUE(q->LoadSysExFile(q.home.File("missing.syx")));
    EXPECT_FALSE(q->LoadSysExFile(Write("huge.syx", Bytes((1u << 20) + 1, 0xF7))));
    EXPECT_EQ(Snapshot(*q), before);
}

TEST_F(SysExFiles, ClassificationFollowsTheHeader)
{
    auto kind = [&](const Bytes& bytes) { return q->ClassifySysExFile(Write("k.syx", bytes)); };
    EXPECT_EQ(kind({0x00, 0xF0, 0x40, 0x00, 0x00, 0x00, 0x01, 0x05, 0xF7}), 1);
    EXPECT_EQ(kind({0xF0, 0x40, 0x0F, 0x01, 0x00, 0x01, 0x00, 0xF7}), 2);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 0x0A}), 3);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x20, 0x00, 0x01, 99}), 4);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x20, 0x00, 0x01, 101}), 5);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x21, 0x00, 0x01, 0x00}), 6);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x21, 0x00, 0x01, 0x01}), 7);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x40, 0x00, 0x01, 0xF7}), 0);  // a reply
    EXPECT_EQ(kind({0xF0, 0x41, 0x00, 0x20, 0x00, 0x01, 0x00}), 0);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x20, 0x00, 0x02, 0x00}), 0);
    EXPECT_EQ(kind({0xF0, 0x40, 0x00, 0x20, 0x00, 0x01}), 0);  // ends before byte 6
    EXPECT_EQ(kind({}), 0);
    EXPECT_EQ(q->ClassifySysExFile(q.home.File("missing.syx")), 0);
}

}  // namespace
}  // namespace qor::test
