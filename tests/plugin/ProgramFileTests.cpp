#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "framework/ProgramFiles.h"
#include "tests/plugin/QorInstance.h"
#include "tests/plugin/SysExTestSupport.h"

namespace qor::test {
namespace {

using Bytes = std::vector<uint8_t>;

int32_t BigEndianAt(const Bytes& b, std::size_t at)
{
    return static_cast<int32_t>(uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3]);
}

void PutBigEndian(Bytes& b, int32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
}

void SetBigEndian(Bytes& b, std::size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * i));
}

void PutText(Bytes& b, std::string_view text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) b.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

// A parameter-list program as another host would write it.
Bytes ParameterListProgram(std::string_view name, const std::vector<float>& normalized, int32_t id = 0x716F2D72)
{
    Bytes b;
    PutText(b, "CcnK", 4);
    PutBigEndian(b, 0);
    PutText(b, "FxCk", 4);
    PutBigEndian(b, 1);
    PutBigEndian(b, id);
    PutBigEndian(b, 10101);
    PutBigEndian(b, static_cast<int32_t>(normalized.size()));
    PutText(b, name, 28);
    for (float f : normalized) PutBigEndian(b, static_cast<int32_t>(std::bit_cast<uint32_t>(f)));
    return b;
}

std::vector<float> Normalized(const QOR& plug)
{
    std::vector<float> v;
    for (int i = 0; i < kNumParams; ++i) v.push_back(static_cast<float>(plug.GetParam(i)->GetNormalized()));
    return v;
}

class ProgramFiles : public ::testing::Test {
protected:
    ProgramFiles()
    {
        a->writeProtect = false;
        b->writeProtect = false;
    }
    QorInstance a;
    QorInstance b;
};

TEST_F(ProgramFiles, ProgramFileHasTheChunkLayoutAndItsSizes)
{
    a->RestorePreset(4);
    a->GetPresetSlot(4)->SetName("A name that is far longer than the field");
    const std::string path = a.home.File("p.fxp");
    ASSERT_TRUE(SaveProgramFile(*a, path));
    const Bytes file = ReadBytes(path);
    ASSERT_GT(file.size(), 68u);
    const int32_t n = BigEndianAt(file, 56);
    EXPECT_EQ(file.size(), 60u + static_cast<std::size_t>(n));
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "CcnK");
    EXPECT_EQ(BigEndianAt(file, 4), n + 60);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 12), "FPCh");
    EXPECT_EQ(BigEndianAt(file, 12), 1);
    EXPECT_EQ(std::string(file.begin() + 16, file.begin() + 20), "qo-r");
    EXPECT_EQ(BigEndianAt(file, 20), 10101);
    EXPECT_EQ(BigEndianAt(file, 24), 60);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data() + 28)), "A name that is far longer t");  // 27 characters
    EXPECT_EQ(Bytes(file.begin() + 60, file.begin() + 68), (Bytes{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(std::string(file.begin() + 68, file.begin() + 77), "QOR_1.0.0");
}

TEST_F(ProgramFiles, ProgramRoundTripsIntoAnotherInstance)
{
    a->ChangeParameter(kCutoff, 12, false);
    a->ChangeParameter(kChorusDepth, -9, false);
    a->recipes[1] = {{2, {0.0, 17.0}}};
    a->ComputeUserWaveTables(1, a->recipes[1]);
    a->CopyActiveToStored(1, 1);
    a->GetPresetSlot(0)->SetName("Glass Harp");
    const std::string path = a.home.File("p.fxp");
    ASSERT_TRUE(SaveProgramFile(*a, path));

    b->RestorePreset(61);
    ASSERT_TRUE(LoadProgramFile(*b, path));
    EXPECT_EQ(b->GetCurrentPresetIndex(), 61);
    EXPECT_STREQ(b->GetPresetName(61), "Glass Harp");
    EXPECT_EQ(Values(*b), Values(*a));
    EXPECT_EQ(b->storedTables, a->storedTables);
    EXPECT_TRUE(std::equal(a->storedTables[1].begin(), a->storedTables[1].end(), b->ActiveTable(1)));
}

TEST_F(ProgramFiles, BankFileHasTheChunkLayoutAndRoundTrips)
{
    a->RestorePreset(3);
    a->ChangeParameter(kResonance, 21, false);
    a->ModifyCurrentPreset("Edited");
    a->RestorePreset(77);
    const std::string path = a.home.File("b.fxb");
    ASSERT_TRUE(SaveBankFile(*a, path));
    const Bytes file = ReadBytes(path);
    ASSERT_GT(file.size(), 168u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{'C', 'c', 'n', 'K'}));
    EXPECT_EQ(BigEndianAt(file, 4), static_cast<int32_t>(file.size()));
    EXPECT_EQ(Bytes(file.begin() + 8, file.begin() + 16), (Bytes{'F', 'B', 'C', 'h', 0, 0, 0, 2}));
    EXPECT_EQ(BigEndianAt(file, 16), 0x716F2D72);
    EXPECT_EQ(BigEndianAt(file, 20), 10101);
    EXPECT_EQ(BigEndianAt(file, 24), 100);
    EXPECT_EQ(BigEndianAt(file, 28), 77);
    EXPECT_EQ(std::count(file.begin() + 32, file.begin() + 156, 0), 124);
    EXPECT_EQ(BigEndianAt(file, 156), static_cast<int32_t>(file.size()) - 160);

    b->RestorePreset(10);
    ASSERT_TRUE(LoadBankFile(*b, path));
    EXPECT_EQ(b->GetCurrentPresetIndex(), 10);  // the current program stays current
    for (int i = 0; i < 100; ++i) {
        EXPECT_STREQ(b->GetPresetName(i), a->GetPresetName(i)) << i;
        EXPECT_EQ(SlotProgram(*b, i), SlotProgram(*a, i)) << i;
    }
    b->RestorePreset(3);
    EXPECT_EQ(b->GetParam(kResonance)->Value(), 21);
}

TEST_F(ProgramFiles, FilesOfAnotherPlugInOrVersionAreRefusedUnchanged)
{
    const std::string path = a.home.File("p.fxp");
    ASSERT_TRUE(SaveProgramFile(*a, path));
    const Bytes program = ReadBytes(path);
    ASSERT_TRUE(SaveBankFile(*a, a.home.File("b.fxb")));
    const Bytes bank = ReadBytes(a.home.File("b.fxb"));
    const Snapshot before(*b);
    for (auto [at, value] : {std::pair{16, 'x'}, {0, 'c'}, {15, 2}, {8, 'X'}}) {
        Bytes bad = program;
        bad[static_cast<std::size_t>(at)] = static_cast<uint8_t>(value);
        EXPECT_FALSE(LoadProgramImage(*b, bad)) << at;
    }
    for (auto [at, value] : {std::pair{19, 's'}, {3, 'k'}, {11, 'k'}}) {
        Bytes bad = bank;
        bad[static_cast<std::size_t>(at)] = static_cast<uint8_t>(value);
        EXPECT_FALSE(LoadBankImage(*b, bad)) << at;
    }
    EXPECT_FALSE(LoadProgramImage(*b, ParameterListProgram("Other", Normalized(*a), 0x41424344)));
    EXPECT_FALSE(LoadProgramFile(*b, ""));
    EXPECT_FALSE(LoadBankFile(*b, a.home.File("missing.fxb")));
    EXPECT_EQ(Snapshot(*b), before);
}

TEST_F(ProgramFiles, TruncatedFilesAreRefusedWithNothingChanged)
{
    a->ChangeParameter(kCutoff, 3, false);
    a->ModifyCurrentPreset("Changed");
    const Bytes program = MakeProgramImage(*a);
    const Bytes bank = MakeBankImage(*a);
    const Snapshot before(*b);
    for (std::size_t size : {std::size_t{0}, std::size_t{30}, std::size_t{59}, std::size_t{64}, program.size() - 1})
        EXPECT_FALSE(LoadProgramImage(*b, std::span(program).first(size))) << size;
    for (std::size_t size : {std::size_t{100}, std::size_t{159}, std::size_t{5000}, bank.size() - 1})
        EXPECT_FALSE(LoadBankImage(*b, std::span(bank).first(size))) << size;

    // Cut inside the chunk with the sizes made to match: the state reader
    // finds the end, and what it applied is rolled back.
    Bytes cutProgram(program.begin(), program.end() - 100);
    SetBigEndian(cutProgram, 56, BigEndianAt(program, 56) - 100);
    EXPECT_FALSE(LoadProgramImage(*b, cutProgram));
    Bytes cutBank(bank.begin(), bank.begin() + 160 + 30000);
    SetBigEndian(cutBank, 156, 30000);
    EXPECT_FALSE(LoadBankImage(*b, cutBank));
    EXPECT_EQ(Snapshot(*b), before);
}

// Edits the musician has not stored, a user wave among them, survive a bank
// file that breaks off inside a slot.
TEST_F(ProgramFiles, RefusedBankKeepsUnstoredEdits)
{
    const Bytes bank = MakeBankImage(*a);
    Bytes cut(bank.begin(), bank.begin() + 160 + 30000);
    SetBigEndian(cut, 156, 30000);

    b->ChangeParameter(kCutoff, 7, false);
    std::array<uint8_t, 512> ramp{};
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i / 2);
    b->WriteUserWaveBytes(0, ramp.data());
    b->CopyActiveToStored(0, 0);  // as a WAV file loads it
    const Snapshot before(*b);
    IChunk live;
    b->SerializeState(live);
    const Bytes playing(b->ActiveTable(0), b->ActiveTable(0) + kUserWaveBytes);

    EXPECT_FALSE(LoadBankImage(*b, cut));
    EXPECT_EQ(Snapshot(*b), before);
    IChunk after;
    b->SerializeState(after);
    EXPECT_TRUE(std::ranges::equal(after.Bytes(), live.Bytes())) << "the program as it is kept";
    EXPECT_EQ(Bytes(b->ActiveTable(0), b->ActiveTable(0) + kUserWaveBytes), playing) << "the user wave as it plays";
}

TEST_F(ProgramFiles, ChunkWithoutHostHeaderIsReadFromOffset60)
{
    a->ChangeParameter(kLfoSpeed, 42, false);
    Bytes image = MakeProgramImage(*a);
    image.erase(image.begin() + 60, image.begin() + 68);
    SetBigEndian(image, 56, BigEndianAt(image, 56) - 8);
    ASSERT_TRUE(LoadProgramImage(*b, image));
    EXPECT_EQ(b->GetParam(kLfoSpeed)->Value(), 42);
}

TEST_F(ProgramFiles, ParameterListProgramAndBankAreRead)
{
    a->ChangeParameter(kCutoff, 80, false);
    a->ChangeParameter(kBalance, -5, false);
    ASSERT_TRUE(LoadProgramImage(*b, ParameterListProgram("From a list", Normalized(*a))));
    EXPECT_STREQ(b->GetPresetName(0), "From a list");
    EXPECT_EQ(b->GetParam(kCutoff)->Value(), 80);
    EXPECT_EQ(b->GetParam(kBalance)->Value(), -5);

    // Three records; the current program named in the header becomes current.
    Bytes bank;
    PutText(bank, "CcnK", 4);
    PutBigEndian(bank, 0);
    PutText(bank, "FxBk", 4);
    PutBigEndian(bank, 2);
    PutBigEndian(bank, 0x716F2D72);
    PutBigEndian(bank, 10101);
    PutBigEndian(bank, 3);
    PutBigEndian(bank, 1);
    PutText(bank, "", 124);
    for (int i = 0; i < 3; ++i) {
        a->ChangeParameter(kCutoff, 10 * i, false);
        const Bytes record = ParameterListProgram("List " + std::to_string(i), Normalized(*a));
        bank.insert(bank.end(), record.begin(), record.end());
    }
    // Slot 1 has a user wave of its own, which the list does not hold.
    b->RestorePreset(1);
    b->recipes[1] = {{3, {0.0, 21.0}}};
    b->ComputeUserWaveTables(1, b->recipes[1]);
    b->CopyActiveToStored(1, 1);
    b->ModifyCurrentPreset();
    const auto ownWave = b->storedTables[1];
    b->RestorePreset(0);
    ASSERT_NE(b->storedTables[1], ownWave);
    const Snapshot before(*b);
    Bytes badRecord = bank;
    badRecord[156 + 2 * 296 + 8] = 'X';  // the third record is not a parameter list
    EXPECT_FALSE(LoadBankImage(*b, badRecord));
    EXPECT_FALSE(LoadBankImage(*b, std::span(bank).first(bank.size() - 1)));
    EXPECT_EQ(Snapshot(*b), before);

    ASSERT_TRUE(LoadBankImage(*b, bank));
    EXPECT_EQ(b->GetCurrentPresetIndex(), 1);
    EXPECT_EQ(b->GetParam(kCutoff)->Value(), 10);
    EXPECT_EQ(b->storedTables[1], ownWave);
    EXPECT_TRUE(std::equal(ownWave.begin(), ownWave.end(), b->ActiveTable(1)));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(b->GetPresetName(i), "List " + std::to_string(i));
    EXPECT_EQ(SlotProgram(*b, 3), before.states[3]);
}

TEST_F(ProgramFiles, OversizedFilesAreNotRead)
{
    const std::string path = a.home.File("big.bin");
    WriteBytes(path, Bytes(5000, 0x41));
    EXPECT_TRUE(ReadWholeFile(path, 5000).has_value());
    EXPECT_FALSE(ReadWholeFile(path, 4999).has_value());
    EXPECT_FALSE(ReadWholeFile(a.home.Root().string(), 5000).has_value());  // a folder
}

}  // namespace
}  // namespace qor::test
