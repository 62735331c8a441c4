// What a host saves and restores must sound as it did: one program's chunk
// brings its user waves at once, and a bank chunk (a host's project) brings
// back the program as it was playing, memory protection or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/ParameterIndex.h"
#include "tests/plugin/QorInstance.h"

namespace qor::test {
namespace {

intptr_t dispatch(QOR& plug, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr)
{
    vst::AEffect* effect = plug.GetEffect();
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

TEST(HostProgramChunk, LoadingAProgramChunkPlaysItsUserWaves)
{
    QorInstance a;
    // Give program 0 a user wave of its own (a pure fifth harmonic) and take its chunk.
    HarmonicMap fifth;
    fifth[5] = {0.0, 31.0};
    a->ComputeUserWaveTables(0, fifth);
    a->CopyActiveToStored(0, 0);
    void* data = nullptr;
    const intptr_t size = dispatch(*a, vst::effGetChunk, 1, 0, &data);
    ASSERT_GT(size, 0);
    const std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);

    QorInstance b;
    const std::vector<uint8_t> before(b->ActiveTable(0), b->ActiveTable(0) + kUserWaveBytes);
    ASSERT_EQ(dispatch(*b, vst::effSetChunk, 1, static_cast<intptr_t>(chunk.size()), const_cast<uint8_t*>(chunk.data())), 1);
    const std::vector<uint8_t> after(b->ActiveTable(0), b->ActiveTable(0) + kUserWaveBytes);
    EXPECT_NE(after, before);
    EXPECT_TRUE(std::equal(after.begin(), after.end(), a->ActiveTable(0)));
}

std::vector<uint8_t> bankChunk(QOR& plug)
{
    void* data = nullptr;
    const intptr_t size = dispatch(plug, vst::effGetChunk, 0, 0, &data);
    if (size <= 0) return {};
    return {static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size};
}

TEST(HostBankChunk, AProjectComesBackWithTheLiveEditsWhileTheSlotStaysProtected)
{
    QorInstance a;
    a->writeProtect = true;
    const auto storedBytes = a->GetPresetSlot(0)->state.Bytes();
    const std::vector<uint8_t> stored(storedBytes.begin(), storedBytes.end());
    vst::AEffect* effect = a->GetEffect();
    effect->setParameter(effect, kCutoff, 0.0f);
    effect->setParameter(effect, kResonance, 1.0f);
    const std::vector<uint8_t> bank = bankChunk(*a);
    ASSERT_FALSE(bank.empty());
    const auto after = a->GetPresetSlot(0)->state.Bytes();
    EXPECT_TRUE(std::equal(after.begin(), after.end(), stored.begin(), stored.end())) << "the protected slot must keep its program";

    QorInstance b;
    b->writeProtect = true;
    ASSERT_EQ(dispatch(*b, vst::effSetChunk, 0, static_cast<intptr_t>(bank.size()), const_cast<uint8_t*>(bank.data())), 1);
    EXPECT_EQ(b->GetCurrentPresetIndex(), 0);
    EXPECT_EQ(b->GetParam(kCutoff)->Value(), 0.0);
    EXPECT_EQ(b->GetParam(kResonance)->Value(), a->GetParam(kResonance)->Value());
}

// Without protection the edits are stored first, and the chunk is exactly
// the header and the slots as they stand.
TEST(HostBankChunk, WithoutProtectionTheChunkIsTheStoredSlots)
{
    QorInstance a;
    a->writeProtect = false;
    vst::AEffect* effect = a->GetEffect();
    effect->setParameter(effect, kCutoff, 0.25f);
    const std::vector<uint8_t> bank = bankChunk(*a);
    IChunk expected;
    expected.PutInt32(0x70666674);
    expected.PutInt32(0x00010000);
    ASSERT_TRUE(a->SerializePresets(expected));
    expected.PutInt32(0x72756370);  // 'pcur': program 0 was playing
    expected.PutInt32(0);
    const auto bytes = expected.Bytes();
    EXPECT_EQ(bank, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace
}  // namespace qor::test
