#include <gtest/gtest.h>

#include <array>
#include <mutex>
#include <vector>

#include "programs/WaveSynthesis.h"
#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kWriteComplete{0xF0, 0x40, 0x00, 0x40, 0x00, 0x01, 0xF7};
const Bytes kWriteError{0xF0, 0x40, 0x00, 0x41, 0x00, 0x01, 0xF7};
const Bytes kWriteProtected{0xF0, 0x40, 0x00, 0x42, 0x00, 0x01, 0xF7};

class SysExReceiver : public ::testing::Test {
protected:
    SysExReceiver() { q->writeProtect = false; }

    // A program with a few fields away from their defaults.
    static ParamValues SomeProgram()
    {
        ParamValues v = Defaults();
        v[kCutoff] = 77;
        v[kOsc2Coarse] = -12;
        v[kLfoShape] = 4;
        v[kMono] = 1;
        v[kWorkingParameter] = 20;
        v[kKbVcf] = -7;
        return v;
    }
    static Bytes Dump(int number, const ParamValues& v)
    {
        const auto m = sysex::ProgramDump(number, sysex::EncodeProgram(v));
        return {m.begin(), m.end()};
    }
    Bytes LastSent() { return SentSysEx(q).empty() ? Bytes{} : SentSysEx(q).back(); }
    void ExpectHardwareFields(const ParamValues& want)
    {
        for (int i = 0; i < kNumParams; ++i) {
            if (sysex::PackedByteOf(i) >= 0) {
                EXPECT_EQ(q->GetParam(i)->Value(), want[static_cast<std::size_t>(i)]) << i;
            }
        }
    }

    QorInstance q;
};

TEST_F(SysExReceiver, IdentificationRequestIsAnsweredAndOtherFiveByteMessagesRefused)
{
    EXPECT_TRUE(Receive(*q, sysex::IdentificationRequest()));
    EXPECT_EQ(LastSent(), (Bytes{0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0xF7}));
    ClearSent(q);
    EXPECT_FALSE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x61, 0xF7}));
    EXPECT_TRUE(SentSysEx(q).empty());
}

TEST_F(SysExReceiver, BadHeadersAreRefusedWithoutReply)
{
    Bytes good = Dump(3, SomeProgram());
    const Snapshot before(*q);
    for (auto [at, value] : {std::pair{1, 0x41}, {5, 0x02}, {77, 0x00}}) {
        Bytes bad = good;
        bad[static_cast<std::size_t>(at)] = static_cast<uint8_t>(value);
        EXPECT_FALSE(Receive(*q, bad)) << at;
    }
    EXPECT_FALSE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x00, 0x00, 0x01, 0xF7}));  // seven bytes
    EXPECT_TRUE(SentSysEx(q).empty());
    EXPECT_EQ(Snapshot(*q), before);
}

TEST_F(SysExReceiver, ProgramDumpReplacesTheSlotWithTheInitialProgramPlusTheHardwareFields)
{
    q->ChangeParameter(kVolume, 0.9, false);  // not in the packed program: back to its default
    ClearSent(q);
    EXPECT_TRUE(Receive(*q, Dump(5, SomeProgram())));
    EXPECT_EQ(LastSent(), kWriteComplete);
    EXPECT_EQ(q->GetCurrentPresetIndex(), 5);
    EXPECT_STREQ(q->GetPresetName(5), "PROGRAM I06");
    EXPECT_EQ(q->infoMessage, kInfoProgramLoaded);
    ExpectHardwareFields(SomeProgram());
    EXPECT_EQ(q->GetParam(kVolume)->Value(), 0.5);
    // Stored in the slot: it survives a trip to another program.
    q->RestorePreset(0);
    q->RestorePreset(5);
    ExpectHardwareFields(SomeProgram());
}

TEST_F(SysExReceiver, ChannelAndGroupAreIgnoredAndChecksumsNotVerified)
{
    Bytes message = Dump(60, SomeProgram());
    message[2] = 0x0F;  // channel 16
    message[4] = 0x03;
    message[75] ^= 0x05;  // checksum
    EXPECT_TRUE(Receive(*q, message));
    EXPECT_EQ(LastSent(), kWriteComplete);
    EXPECT_STREQ(q->GetPresetName(60), "PROGRAM C11");
    ExpectHardwareFields(SomeProgram());
}

TEST_F(SysExReceiver, WorkingParameterBeyondTheHardwareComesBackAsCutoff)
{
    ParamValues v = SomeProgram();
    v[kWorkingParameter] = 49;
    ASSERT_TRUE(Receive(*q, Dump(0, v)));
    EXPECT_EQ(q->GetParam(kWorkingParameter)->Value(), 17);
    v[kWorkingParameter] = 46;
    ASSERT_TRUE(Receive(*q, Dump(0, v)));
    EXPECT_EQ(q->GetParam(kWorkingParameter)->Value(), 46);
}

TEST_F(SysExReceiver, MemoryProtectionRefusesEveryWriteWithItsReply)
{
    q->writeProtect = true;
    const Snapshot before(*q);
    const HarmonicMap recipe = q->recipes[1];
    std::array<sysex::PackedProgram, 50> programs{};
    const auto bank = sysex::BankDump(0, programs);
    sysex::UserWaveEntries entries{};
    entries[0] = {3, 20};
    const auto wave = sysex::UserWaveDump(101, entries);
    for (const Bytes& message : {Dump(4, SomeProgram()), Bytes(bank.begin(), bank.end()), Bytes(wave.begin(), wave.end())}) {
        ClearSent(q);
        q->storeRefused = false;
        EXPECT_FALSE(Receive(*q, message));
        EXPECT_EQ(SentSysEx(q), std::vector<Bytes>{kWriteProtected});
        EXPECT_TRUE(q->storeRefused);
    }
    EXPECT_EQ(Snapshot(*q), before);
    EXPECT_EQ(q->recipes[1].size(), recipe.size());
}

TEST_F(SysExReceiver, DumpsOfTheWrongLengthAreAnsweredWithWriteError)
{
    std::array<sysex::PackedProgram, 50> programs{};
    const auto full = sysex::BankDump(1, programs);
    Bytes bank(full.begin(), full.end() - 2);
    bank.push_back(0xF7);  // 3507 bytes
    Bytes program = Dump(2, SomeProgram());
    program.erase(program.begin() + 10);
    const Snapshot before(*q);
    for (const Bytes& message : {bank, program}) {
        ClearSent(q);
        EXPECT_FALSE(Receive(*q, message));
        EXPECT_EQ(SentSysEx(q), std::vector<Bytes>{kWriteError});
    }
    // Requests and parameter changes of the wrong length get no reply.
    ClearSent(q);
    EXPECT_FALSE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 0x0A, 0x03, 0x02, 0x01, 0xF7}));
    EXPECT_FALSE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xF7}));
    EXPECT_TRUE(SentSysEx(q).empty());
    EXPECT_EQ(Snapshot(*q), before);
}

TEST_F(SysExReceiver, BankFillsOneMemoryAndTheCurrentProgramStaysCurrent)
{
    q->RestorePreset(7);
    std::array<sysex::PackedProgram, 50> programs{};
    for (int i = 0; i < 50; ++i) {
        ParamValues v = Defaults();
        v[kCutoff] = i;
        programs[static_cast<std::size_t>(i)] = sysex::EncodeProgram(v);
    }
    const Snapshot before(*q);
    const auto bank = sysex::BankDump(1, programs);
    EXPECT_TRUE(Receive(*q, bank));
    EXPECT_EQ(LastSent(), kWriteComplete);
    EXPECT_EQ(q->infoMessage, kInfoBankLoaded);
    EXPECT_EQ(q->GetCurrentPresetIndex(), 7);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(SlotProgram(*q, i), before.states[static_cast<std::size_t>(i)]) << i;
    for (int i : {0, 23, 49}) {
        q->RestorePreset(50 + i);
        EXPECT_EQ(q->GetParam(kCutoff)->Value(), i);
        EXPECT_EQ(q->GetPresetName(50 + i), "PROGRAM C" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1));
    }

    // Into the current program's own memory: it stays current with its new content.
    q->RestorePreset(7);
    EXPECT_TRUE(Receive(*q, sysex::BankDump(0, programs)));
    EXPECT_EQ(q->GetCurrentPresetIndex(), 7);
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 7);
}

TEST_F(SysExReceiver, UserWaveDumpSetsTheRecipeAndBothTables)
{
    sysex::UserWaveEntries entries{};
    entries[0] = {1, 31};
    entries[1] = {5, 0};  // no level: not an entry
    entries[2] = {0, 12};  // unused slot
    entries[3] = {9, 10};
    const auto message = sysex::UserWaveDump(100, entries);
    EXPECT_TRUE(Receive(*q, message));
    EXPECT_EQ(LastSent(), kWriteComplete);
    EXPECT_EQ(q->infoMessage, kInfoInternalUserWaveLoaded);
    ASSERT_EQ(q->recipes[0].size(), 2u);
    EXPECT_EQ(q->recipes[0].at(1).sine, 31);
    EXPECT_EQ(q->recipes[0].at(9).sine, 10);
    EXPECT_EQ(q->recipes[0].at(9).cosine, 0);
    std::array<uint8_t, kUserWaveBytes> want{};
    renderWaveTables(q->recipes[0], std::span<uint8_t, 1024>(want.data(), 1024), std::span<uint8_t, 1024>(want.data() + 1024, 1024));
    EXPECT_EQ(q->storedTables[0], want);
    EXPECT_TRUE(std::equal(want.begin(), want.end(), q->ActiveTable(0)));

    EXPECT_TRUE(Receive(*q, sysex::UserWaveDump(101, entries)));
    EXPECT_EQ(q->infoMessage, kInfoCartridgeUserWaveLoaded);
    EXPECT_EQ(q->storedTables[1], want);
}

TEST_F(SysExReceiver, ProgramRequestsAreAnsweredWithTheSlotsAsTheBankDumpHoldsThem)
{
    for (int slot : {0, 37, 99}) {
        q->RestorePreset(slot);
        q->ChangeParameter(kCutoff, slot / 2 + 10, false);
        q->ChangeParameter(kLfoShape, slot % 7 + 1, false);
        q->ModifyCurrentPreset();
    }
    // The working program differs from every slot: program 37 with an edit
    // that memory protection keeps out of its slot.
    q->RestorePreset(37);
    q->writeProtect = true;
    q->ChangeParameter(kCutoff, 2, false);
    const ParamValues working = Values(*q);
    ClearSent(q);
    for (int slot : {0, 37, 99}) EXPECT_TRUE(Receive(*q, sysex::ProgramRequest(slot)));
    EXPECT_TRUE(Receive(*q, sysex::BankRequest(0)));
    EXPECT_TRUE(Receive(*q, sysex::BankRequest(1)));
    const auto sent = SentSysEx(q);
    ASSERT_EQ(sent.size(), 5u);
    const std::array<int, 3> slots{0, 37, 99};
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const Bytes& answer = sent[k];
        ASSERT_EQ(answer.size(), sysex::kProgramDumpBytes);
        EXPECT_EQ(answer[6], slots[k]);
        // 34 bytes and the checksum, as nibbles, as in that program's entry of the bank.
        const Bytes& bank = sent[slots[k] < 50 ? 3 : 4];
        const auto entry = bank.begin() + 7 + (slots[k] % 50) * 70;
        EXPECT_EQ(Bytes(answer.begin() + 7, answer.end() - 1), Bytes(entry, entry + 70)) << slots[k];
    }
    EXPECT_EQ(q->GetCurrentPresetIndex(), 37);
    EXPECT_EQ(Values(*q), working);
}

TEST_F(SysExReceiver, UserWaveRequestsAreAnsweredWithTheRecipe)
{
    EXPECT_TRUE(Receive(*q, sysex::ProgramRequest(101)));
    const auto wave = sysex::UserWaveDump(101, sysex::UserWaveEntriesOf(q->recipes[1]));
    EXPECT_EQ(SentSysEx(q), std::vector<Bytes>{Bytes(wave.begin(), wave.end())});

    ClearSent(q);
    EXPECT_TRUE(Receive(*q, sysex::ProgramRequest(120)));
    EXPECT_TRUE(SentSysEx(q).empty());
}

TEST_F(SysExReceiver, TheHostIsToldOfAReceivedProgramAndOfTheCurrentOneAfterABank)
{
    const auto expectHostSeesTheWorkingProgram = [&] {
        std::lock_guard<std::mutex> guard(q.host.mutex);
        EXPECT_GE(q.host.updateDisplays, 1);
        std::array<float, kNumParams> last{};
        last.fill(-1.0f);
        for (const auto& [index, value] : q.host.automated) last[static_cast<std::size_t>(index)] = value;
        for (int i = 0; i < kNumParams; ++i)
            EXPECT_FLOAT_EQ(last[static_cast<std::size_t>(i)], static_cast<float>(q->GetParam(i)->GetNormalized())) << i;
        q.host.updateDisplays = 0;
        q.host.automated.clear();
    };
    q->RestorePreset(7);
    EXPECT_TRUE(Receive(*q, Dump(12, SomeProgram())));
    ASSERT_EQ(q->GetCurrentPresetIndex(), 12);
    expectHostSeesTheWorkingProgram();

    // A bank into the current program's memory: the current program is still
    // 12, with its new content, although the last program written was 49.
    std::array<sysex::PackedProgram, 50> programs{};
    for (int i = 0; i < 50; ++i) {
        ParamValues v = Defaults();
        v[kCutoff] = i;
        programs[static_cast<std::size_t>(i)] = sysex::EncodeProgram(v);
    }
    EXPECT_TRUE(Receive(*q, sysex::BankDump(0, programs)));
    ASSERT_EQ(q->GetParam(kCutoff)->Value(), 12);
    expectHostSeesTheWorkingProgram();
}

TEST_F(SysExReceiver, BankRequestSendsTheSlotsAndKeepsUnsavedEditsUnderProtection)
{
    q->RestorePreset(52);
    q->ChangeParameter(kCutoff, 11, false);
    q->ModifyCurrentPreset();
    q->RestorePreset(2);
    q->writeProtect = true;
    q->ChangeParameter(kResonance, 9, false);  // an edit that cannot be stored
    const ParamValues working = Values(*q);
    ClearSent(q);
    EXPECT_TRUE(Receive(*q, sysex::BankRequest(1)));
    const auto sent = SentSysEx(q);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].size(), sysex::kBankDumpBytes);
    EXPECT_EQ(sent[0][6], 1);
    const auto slot52 = sysex::ProgramFromBank(std::span<const uint8_t, sysex::kBankDumpBytes>(sent[0].data(), sysex::kBankDumpBytes), 2);
    EXPECT_EQ(slot52[8], 11);  // Cutoff's byte
    EXPECT_EQ(q->GetCurrentPresetIndex(), 2);
    EXPECT_EQ(Values(*q), working);
}

TEST_F(SysExReceiver, ParameterChangeSetsTheParameterAsASignedValue)
{
    EXPECT_TRUE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 10, 0x06, 0x03, 0xF7}));
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), 99);
    EXPECT_TRUE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 8, 0x08, 0x0C, 0xF7}));
    EXPECT_EQ(q->GetParam(kOsc2Coarse)->Value(), -12);
    const Snapshot before(*q);
    EXPECT_TRUE(Receive(*q, Bytes{0xF0, 0x40, 0x00, 0x10, 0x00, 0x01, 53, 0x00, 0x01, 0xF7}));  // index 60
    EXPECT_EQ(Snapshot(*q), before);
}

TEST_F(SysExReceiver, QueueIsConsumedJunkSkippedAndUnknownFunctionsIgnored)
{
    Bytes queue{0x00, 0x12, 0xF7};
    const Bytes unknown{0xF0, 0x40, 0x00, 0x33, 0x00, 0x01, 0x00, 0xF7};
    queue.insert(queue.end(), unknown.begin(), unknown.end());
    const Bytes wave102{0xF0, 0x40, 0x00, 0x20, 0x00, 0x01, 102, 0xF7};
    queue.insert(queue.end(), wave102.begin(), wave102.end());
    const Snapshot before(*q);
    EXPECT_TRUE(q->ReceiveSysExMessages(queue));
    EXPECT_TRUE(queue.empty());
    EXPECT_TRUE(SentSysEx(q).empty());
    EXPECT_EQ(Snapshot(*q), before);
    // A refused message among good ones makes the result false but the rest still acts.
    Bytes mixed{0xF0, 0x41, 0x00, 0x00, 0x00, 0x01, 0x00, 0xF7};
    const Bytes dump = Dump(9, SomeProgram());
    mixed.insert(mixed.end(), dump.begin(), dump.end());
    EXPECT_FALSE(q->ReceiveSysExMessages(mixed));
    EXPECT_EQ(q->GetCurrentPresetIndex(), 9);
    EXPECT_FALSE(q->storeRefused);
}

TEST_F(SysExReceiver, SplitSysExFromTheHostIsDecodedOnceWhenItsEndArrives)
{
    const Bytes dump = Dump(12, SomeProgram());
    ISysExMessage first{0, 40, dump.data()};
    ISysExMessage second{0, static_cast<int32_t>(dump.size() - 40), dump.data() + 40};
    q->ProcessSysEx(&first);
    EXPECT_NE(q->GetCurrentPresetIndex(), 12);
    q->ProcessSysEx(&second);
    q->FinishReceivedSysEx();
    EXPECT_EQ(q->GetCurrentPresetIndex(), 12);
    EXPECT_EQ(LastSent(), kWriteComplete);
    EXPECT_TRUE(q->sysexBuffer.empty());
}

}  // namespace
}  // namespace qor::test
