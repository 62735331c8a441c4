// Parameter values that come in through the host's interface (automation,
// typed text, a program chunk) reach the engine and all 64 voices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/ParameterIndex.h"
#include "tests/plugin/PlugFixture.h"

namespace qor {
namespace {

class HostParameterRoute : public test::PlugFixture {
protected:
    void Automate(int index, float normalized) { Effect()->setParameter(Effect(), index, normalized); }
    bool Type(int index, const std::string& text)
    {
        char buffer[64] = {};
        std::strncpy(buffer, text.c_str(), sizeof buffer - 1);
        return Effect()->dispatcher(Effect(), vst::effString2Parameter, index, 0, buffer, 0.0f) == 1;
    }
    vst::AEffect* Effect() { return plug->GetEffect(); }
    const Engine& E() const { return plug->engine; }
};

TEST_F(HostParameterRoute, AutomationReachesTheEngineAndEveryVoice)
{
    Automate(kVolume, 1.0f);
    Automate(kOutput, 0.0f);
    Automate(kTranspose, 1.0f);
    Automate(kPitchBend, 1.0f);
    Automate(kVoices, 1.0f);
    Automate(kMonoDetune, 1.0f);
    EXPECT_EQ(E().volume, 0.5);
    EXPECT_EQ(E().stereoOut, 0);
    EXPECT_EQ(E().transpose, 6);
    EXPECT_EQ(E().bendRange, 1536.0);
    EXPECT_EQ(E().activeVoices, 64);
    EXPECT_EQ(E().monoDetune, 15);

    Automate(kMasterTune, 0.0f);
    Automate(kOsc2Fine, 1.0f);
    Automate(kRange, 1.0f);
    Automate(kCutoff, 0.0f);
    for (const Voice& v : E().voices) {
        EXPECT_EQ(v.masterTune, -50);
        EXPECT_EQ(v.osc2Fine, 39);
        EXPECT_EQ(v.rangeOffset, 1536);
        EXPECT_NEAR(v.cutoff, -254.8462, 1e-3);  // below pitch 0
    }
    // A host value between the steps lands on the step the parameter holds.
    Automate(kOsc2Fine, 0.26f);  // -4.8 rounds to -5
    EXPECT_EQ(Value(kOsc2Fine), -5.0);
    for (const Voice& v : E().voices) EXPECT_EQ(v.osc2Fine, static_cast<int>(-5 * 3.9));
}

TEST_F(HostParameterRoute, TypedTextReachesTheEngine)
{
    EXPECT_TRUE(Type(kVoiceAllocationMode, "Round Robin"));
    EXPECT_EQ(E().roundRobin, 1);
    EXPECT_TRUE(Type(kPitchBend, "12"));
    EXPECT_EQ(E().bendRange, 1536.0);
    // Out of range: clamped, and the engine follows the clamped value.
    EXPECT_TRUE(Type(kTranspose, "-40"));
    EXPECT_EQ(E().transpose, -5);
    EXPECT_FALSE(Type(kVoiceAllocationMode, "round robin"));
    EXPECT_EQ(E().roundRobin, 1);
}

TEST_F(HostParameterRoute, AProgramChunkRebuildsTheEngineFromItsValues)
{
    Automate(kLevel, 0.0f);
    Automate(kMono, 1.0f);
    void* data = nullptr;
    const intptr_t size = Effect()->dispatcher(Effect(), vst::effGetChunk, 1, 0, &data, 0.0f);
    ASSERT_GT(size, 0);
    const std::vector<uint8_t> saved(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);

    Automate(kLevel, 1.0f);
    Automate(kMono, 0.0f);
    ASSERT_EQ(E().level, 1.0);
    std::vector<uint8_t> copy = saved;
    ASSERT_EQ(Effect()->dispatcher(Effect(), vst::effSetChunk, 1, static_cast<intptr_t>(copy.size()), copy.data(), 0.0f),
              1);
    EXPECT_EQ(Value(kLevel), 0.0);
    EXPECT_EQ(E().level, 0.0);
    EXPECT_EQ(E().monoMode, 1);
}

}  // namespace
}  // namespace qor
