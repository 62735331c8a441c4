#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/Resources.h"
#include "programs/FactoryNames.h"
#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kRestoreInternal = 29;
constexpr int kRestoreCartridge = 30;
constexpr int kRestoreTobin = 31;

int32_t BigEndianAt(std::span<const uint8_t> b, std::size_t at)
{
    return static_cast<int32_t>(uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3]);
}

TEST(FactoryResources, SetsHaveTheirLayouts)
{
    const auto bank = platform::FindResource("FACTORY", "FXB");
    ASSERT_TRUE(bank.has_value());
    const std::span<const uint8_t> b = *bank;
    ASSERT_GT(b.size(), 200u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "CcnK");
    EXPECT_EQ(BigEndianAt(b, 4), static_cast<int32_t>(b.size()));
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "FBCh");
    EXPECT_EQ(BigEndianAt(b, 12), 2);
    EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 20), "qo-r");
    EXPECT_EQ(BigEndianAt(b, 20), 10001);
    EXPECT_EQ(BigEndianAt(b, 24), 100);
    EXPECT_EQ(std::count(b.begin() + 28, b.begin() + 156, 0), 128);
    EXPECT_EQ(BigEndianAt(b, 156), static_cast<int32_t>(b.size()) - 160);
    EXPECT_EQ(Bytes(b.begin() + 160, b.begin() + 168), (Bytes{'t', 'f', 'f', 'p', 0, 0, 1, 0}));
    // The first slot: name length 5, "Piano", initialized, then its state.
    EXPECT_EQ(Bytes(b.begin() + 168, b.begin() + 182), (Bytes{5, 0, 0, 0, 'P', 'i', 'a', 'n', 'o', 1, 'Q', 'O', 'R', '_'}));

    const auto internal = platform::FindResource("FACTORY_INT", "SYX");
    const auto cartridge = platform::FindResource("FACTORY_CRD", "SYX");
    const auto tobin = platform::FindResource("TOBINS_PATCHES", "SYX");
    ASSERT_TRUE(internal && cartridge && tobin);
    ASSERT_EQ(internal->size(), 3508u);
    ASSERT_EQ(cartridge->size(), 3508u);
    ASSERT_EQ(tobin->size(), 3900u);
    EXPECT_EQ(sysex::ClassifyMessage(*internal), sysex::MessageKind::BankDump);
    EXPECT_EQ((*internal)[6], 0);
    EXPECT_EQ((*cartridge)[6], 1);
    for (std::size_t k = 0; k < 50; ++k) {
        const auto message = tobin->subspan(78 * k, 78);
        EXPECT_EQ(sysex::ClassifyMessage(message), sysex::MessageKind::ProgramDump) << k;
        EXPECT_EQ(message[6], k);
    }
    EXPECT_FALSE(platform::FindResource("FACTORY", "SYX").has_value());
    EXPECT_FALSE(platform::FindResource("NOTHING", "FXB").has_value());
}

TEST(FactoryBank, LoadsAtConstructionWithItsNames)
{
    QorInstance q;
    EXPECT_STREQ(q->GetPresetName(0), "Piano");
    EXPECT_STREQ(q->GetPresetName(49), "Trumpet");
    EXPECT_STREQ(q->GetPresetName(58), "Solo Tarn");
    EXPECT_STREQ(q->GetPresetName(99), "Log Drums");
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(q->GetPresetSlot(i)->initialized) << i;
        const IChunk& state = q->GetPresetSlot(i)->state;
        EXPECT_EQ(std::string(state.Bytes().begin(), state.Bytes().begin() + 9), "QOR_1.0.0") << i;
    }
    EXPECT_EQ(q->GetCurrentPresetIndex(), 0);
}

// A plug-in built over a configuration that names a startup bank.
class StartupBank : public ::testing::Test {
protected:
    std::unique_ptr<QOR> Build(const std::string& bankPath)
    {
        const auto folder = home.Root() / ".config" / "Marrowind";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "qor.ini") << "[Startup Bank]\nFile=" << bankPath << "\n";
        gTestHost = &host;
        return std::make_unique<QOR>(TestHostCallback);
    }
    ~StartupBank() override { gTestHost = nullptr; }

    TestHome home;
    TestHost host;
};

TEST_F(StartupBank, AMissingBankFallsBackToTheFactoryBankAndClearsTheSetting)
{
    const auto plug = Build(home.File("gone.fxb"));
    EXPECT_TRUE(plug->startupBankPath.empty());
    EXPECT_STREQ(plug->GetPresetName(0), "Piano");
    EXPECT_STREQ(plug->GetPresetName(99), "Log Drums");
}

TEST_F(StartupBank, ABankThatLoadsTakesThePlaceOfTheFactoryBank)
{
    const std::string path = home.File("mine.fxb");
    {
        const auto maker = Build("");
        maker->writeProtect = false;
        maker->RestorePreset(99);
        maker->ChangeParameter(kCutoff, 5, false);
        maker->ModifyCurrentPreset("My Last");
        ASSERT_TRUE(SaveBankFile(*maker, path));
    }
    const auto plug = Build(path);
    EXPECT_EQ(plug->startupBankPath, path);
    EXPECT_STREQ(plug->GetPresetName(99), "My Last");
    EXPECT_STREQ(plug->GetPresetName(0), "Piano");
}

// The live program is program i of a bank message, as a received program:
// the hardware's fields from the message, everything else at its default.
void ExpectProgramOfBank(const QOR& plug, std::string_view type, int i)
{
    const auto bank = platform::FindResource(type, "SYX");
    ASSERT_TRUE(bank && bank->size() == sysex::kBankDumpBytes);
    ParamValues want = Defaults();
    const auto packed = sysex::ProgramFromBank(bank->first<sysex::kBankDumpBytes>(), i);
    for (const sysex::ParameterValue& field : sysex::DecodeProgram(packed)) want[static_cast<std::size_t>(field.index)] = field.value;
    EXPECT_EQ(Values(plug), want);
}

class FactoryRestore : public ::testing::Test {
protected:
    FactoryRestore()
    {
        q->writeProtect = false;
        // Edited programs everywhere, so a restore shows what it replaced.
        for (int slot : {3, 40, 58, 77}) {
            q->RestorePreset(slot);
            q->ChangeParameter(kCutoff, 1, false);
            q->ModifyCurrentPreset("User");
        }
        q->RestorePreset(3);
    }
    QorInstance q;
};

TEST_F(FactoryRestore, InternalSetNamesAndReplacesTheInternalMemory)
{
    const Snapshot before(*q);
    q->RestoreFactorySounds(kRestoreInternal);
    for (int k = 0; k < 50; ++k) EXPECT_EQ(q->GetPresetName(k), kInternalFactoryNames[static_cast<std::size_t>(k)]) << k;
    for (int slot = 50; slot < 100; ++slot) EXPECT_EQ(SlotProgram(*q, slot), before.states[static_cast<std::size_t>(slot)]);
    // The current program stays current, with its new content.
    EXPECT_EQ(q->GetCurrentPresetIndex(), 3);
    ExpectProgramOfBank(*q, "FACTORY_INT", 3);
    EXPECT_EQ(SentSysEx(q).back(), (Bytes{0xF0, 0x40, 0x00, 0x40, 0x00, 0x01, 0xF7}));
}

TEST_F(FactoryRestore, CartridgeSetLeavesTheInternalProgramsUntouched)
{
    const Snapshot before(*q);
    q->RestoreFactorySounds(kRestoreCartridge);
    for (int slot = 0; slot < 50; ++slot) {
        EXPECT_EQ(SlotProgram(*q, slot), before.states[static_cast<std::size_t>(slot)]) << slot;
        EXPECT_EQ(q->GetPresetName(slot), before.names[static_cast<std::size_t>(slot)]) << slot;
    }
    EXPECT_STREQ(q->GetPresetName(58), "Solo Tarn");
    EXPECT_STREQ(q->GetPresetName(50), "Digital Piano I");
    EXPECT_EQ(q->GetCurrentPresetIndex(), 3);
    EXPECT_EQ(Values(*q), before.live);
    q->RestorePreset(77);
    ExpectProgramOfBank(*q, "FACTORY_CRD", 27);
}

TEST_F(FactoryRestore, TobinsSetFillsTheInternalMemory)
{
    q->RestoreFactorySounds(kRestoreTobin);
    EXPECT_STREQ(q->GetPresetName(0), "Tobin's Patch #1");
    EXPECT_STREQ(q->GetPresetName(49), "Tobin's Patch #50");
    EXPECT_STREQ(q->GetPresetName(58), "User");
    EXPECT_EQ(q->GetCurrentPresetIndex(), 3);
    const auto sent = SentSysEx(q);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), Bytes{0xF0, 0x40, 0x00, 0x40, 0x00, 0x01, 0xF7}), 50);
}

TEST_F(FactoryRestore, MemoryProtectionOrAnUnknownSetChangesNothing)
{
    const Snapshot before(*q);
    ClearSent(q);
    q->RestoreFactorySounds(28);
    EXPECT_TRUE(SentSysEx(q).empty());
    q->writeProtect = true;
    for (int set : {kRestoreInternal, kRestoreCartridge, kRestoreTobin}) {
        ClearSent(q);
        q->RestoreFactorySounds(set);
        // The first message is refused, and that ends the restore.
        EXPECT_EQ(SentSysEx(q), std::vector<Bytes>{(Bytes{0xF0, 0x40, 0x00, 0x42, 0x00, 0x01, 0xF7})});
    }
    EXPECT_EQ(Snapshot(*q), before);
}

}  // namespace
}  // namespace qor::test
