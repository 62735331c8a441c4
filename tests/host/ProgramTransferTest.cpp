#if defined(QOR_PLUGIN_PATH)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/ProgramFiles.h"
#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"
#include "tools/render/ProgramTransfer.h"
#include "tools/render/VstHost.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

// qor.so as qor-render drives it, over a configuration of our choosing; the
// files are made by an instance built into the test.
class ProgramTransfer : public ::testing::Test {
protected:
    void Load(bool writeProtect)
    {
        std::filesystem::create_directories(maker.home.Root() / ".config" / "Marrowind");
        std::ofstream(maker.home.Root() / ".config" / "Marrowind" / "qor.ini")
            << "[Global]\nWrite Protect=" << (writeProtect ? "true" : "false") << "\n";
        std::string error;
        ASSERT_TRUE(host.load(QOR_PLUGIN_PATH, error)) << error;
    }
    std::string File(const std::string& name, const Bytes& bytes)
    {
        const std::string path = maker.home.File(name);
        WriteBytes(path, bytes);
        return path;
    }
    QorInstance maker;
    VstHost host;
    std::string error;
};

TEST_F(ProgramTransfer, ProgramAndBankFilesReachThePlugInThroughItsChunks)
{
    Load(true);
    maker->writeProtect = false;
    maker->ChangeParameter(kCutoff, 21, false);
    maker->ModifyCurrentPreset("Made Here");
    ASSERT_TRUE(loadProgramFile(host, File("p.fxp", MakeProgramImage(*maker)), error)) << error;
    EXPECT_NEAR(host.getParameter(kCutoff), 21.0 / 99.0, 1e-6);

    maker->RestorePreset(70);
    maker->ModifyCurrentPreset("Bank Seventy");
    ASSERT_TRUE(loadProgramFile(host, File("b.fxb", MakeBankImage(*maker)), error)) << error;
    EXPECT_EQ(host.programNames()[70], "Bank Seventy");
    EXPECT_EQ(host.programNames()[0], "Made Here");

    Bytes other = MakeProgramImage(*maker);
    other[19] = 'x';  // another plug-in's identifier
    EXPECT_FALSE(loadProgramFile(host, File("o.fxp", other), error));
    EXPECT_NE(error.find("not a program or bank of this plug-in"), std::string::npos);
    Bytes cut = MakeBankImage(*maker);
    cut.resize(cut.size() / 2);
    EXPECT_FALSE(loadProgramFile(host, File("c.fxb", cut), error));
}

TEST_F(ProgramTransfer, SysExFilesGoInAsEventsAndProtectionIsReported)
{
    Load(true);
    const auto dump = sysex::ProgramDump(0, sysex::EncodeProgram(Defaults()));
    const std::string path = File("one.syx", Bytes(dump.begin(), dump.end()));
    EXPECT_FALSE(loadProgramFile(host, path, error));
    EXPECT_NE(error.find("memory protection"), std::string::npos);

    host.unload();
    Load(false);
    ParamValues v = Defaults();
    v[kResonance] = 17;
    const auto second = sysex::ProgramDump(3, sysex::EncodeProgram(v));
    Bytes file{0x00, 0x01};
    file.insert(file.end(), second.begin(), second.end());
    file.insert(file.end(), {0xF0, 0x40});  // unterminated: dropped
    ASSERT_TRUE(loadProgramFile(host, File("two.syx", file), error)) << error;
    EXPECT_EQ(host.program(), 3);
    EXPECT_NEAR(host.getParameter(kResonance), 17.0 / 31.0, 1e-6);
    EXPECT_EQ(splitSysEx(file).size(), 1u);
}

TEST_F(ProgramTransfer, ExportWritesTheDumpThePlugInSendsBack)
{
    Load(true);
    host.setProgram(58);
    const std::string program = maker.home.File("program.syx");
    ASSERT_TRUE(exportSysEx(host, SysExExport::Program, program, error)) << error;
    const Bytes bytes = ReadBytes(program);
    ASSERT_EQ(bytes.size(), sysex::kProgramDumpBytes);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 7), (Bytes{0xF0, 0x40, 0x00, 0x20, 0x00, 0x01, 58}));

    const std::string bank = maker.home.File("bank.syx");
    ASSERT_TRUE(exportSysEx(host, SysExExport::CartridgeBank, bank, error)) << error;
    const Bytes bankBytes = ReadBytes(bank);
    ASSERT_EQ(bankBytes.size(), sysex::kBankDumpBytes);
    EXPECT_EQ(bankBytes[6], 1);
    // Program 58 is the ninth of the cartridge bank, and the same program.
    const auto packed = sysex::ProgramFromBank(std::span<const uint8_t, sysex::kBankDumpBytes>(bankBytes.data(), bankBytes.size()), 8);
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), sysex::ProgramFromDump(std::span<const uint8_t, sysex::kProgramDumpBytes>(bytes.data(), bytes.size())).begin()));
}

}  // namespace
}  // namespace qor::test
#endif
