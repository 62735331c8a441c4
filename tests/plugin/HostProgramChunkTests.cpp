// A host that restores one program's chunk must hear that program's user
// waves at once, not only after the next program change.
#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
}  // namespace qor::test
