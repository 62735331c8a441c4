#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestPlug.h"

namespace qor {
namespace {

class IPlugVSTChunk : public test::EffectFixture {
protected:
    std::vector<uint8_t> GetChunk(int index)
    {
        void* data = nullptr;
        const intptr_t size = Dispatch(vst::effGetChunk, index, 0, &data);
        if (size <= 0 || !data) return {};
        const auto* bytes = static_cast<const uint8_t*>(data);
        return {bytes, bytes + size};
    }
    intptr_t SetChunk(int index, std::vector<uint8_t> bytes)
    {
        return Dispatch(vst::effSetChunk, index, static_cast<intptr_t>(bytes.size()), bytes.data());
    }
    static std::vector<uint8_t> Header() { return {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}; }
};

TEST_F(IPlugVSTChunk, BankChunkInAnOrdinaryHost)
{
    host.vendor = "Some Vendor";
    Create();
    const std::vector<uint8_t> bank = GetChunk(0);
    ASSERT_GE(bank.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(bank.begin(), bank.begin() + 8), Header());
    // Header, the slots, then 'pcur' and the program that was playing.
    EXPECT_EQ(bank.size(), 8u + 100 * (4 + 5 + 1 + 480) + 8);
    EXPECT_EQ(host.vendorQueries, 1);
    GetChunk(0);
    GetChunk(1);
    EXPECT_EQ(host.vendorQueries, 1);  // asked once, then cached
}

TEST_F(IPlugVSTChunk, ProgramChunkCarriesTheStateAndTheName)
{
    Create();
    char name[] = "Pad";
    Dispatch(vst::effSetProgramName, 0, 0, name);
    effect->setParameter(effect, 1, 1.0f);
    const std::vector<uint8_t> program = GetChunk(1);
    ASSERT_EQ(program.size(), 8u + 480 + 4 + 3);
    EXPECT_EQ(std::vector<uint8_t>(program.begin(), program.begin() + 8), Header());
    double detune = 0;
    std::memcpy(&detune, program.data() + 8 + 8, sizeof(double));
    EXPECT_EQ(detune, 50.0);
    EXPECT_EQ(program[8 + 480], 3);
    EXPECT_EQ(std::string(program.end() - 3, program.end()), "Pad");

    // Round trip into a changed plug-in.
    effect->setParameter(effect, 1, 0.0f);
    effect->setParameter(effect, 2, 1.0f);
    Dispatch(vst::effSetProgram, 0, 4);
    EXPECT_EQ(SetChunk(1, program), 1);
    EXPECT_EQ(plug->GetParam(1)->Value(), 50.0);
    EXPECT_EQ(plug->GetParam(2)->Value(), 0.0);
    EXPECT_STREQ(plug->GetPresetName(4), "Pad");
    // The slot holds the loaded state.
    double stored = 0;
    plug->GetPresetSlot(4)->state.GetDouble(stored, 8);
    EXPECT_EQ(stored, 50.0);
}

TEST_F(IPlugVSTChunk, BankRoundTripsIntoAnotherInstance)
{
    Create();
    effect->setParameter(effect, 1, 0.6f);  // 10, stored into slot 0 when the bank is taken
    Dispatch(vst::effSetProgram, 0, 7);
    char name[] = "Organ";
    effect->setParameter(effect, 0, 0.3f);
    Dispatch(vst::effSetProgramName, 0, 0, name);
    const std::vector<uint8_t> bank = GetChunk(0);
    Dispatch(vst::effClose);
    effect = nullptr;

    Create();
    EXPECT_EQ(SetChunk(0, bank), 1);
    EXPECT_STREQ(plug->GetPresetName(7), "Organ");
    // The program that was playing (7) plays again; slot 0 kept its edit.
    EXPECT_EQ(plug->GetCurrentPresetIndex(), 7);
    EXPECT_DOUBLE_EQ(plug->GetParam(0)->Value(), 0.3f);
    Dispatch(vst::effSetProgram, 0, 0);
    EXPECT_EQ(plug->GetParam(1)->Value(), 10.0);
}

TEST_F(IPlugVSTChunk, ProgramChunkWithoutHeaderIsReadFromTheStart)
{
    Create();
    IChunk raw;
    for (int i = 0; i < 60; ++i) raw.PutDouble(i == 1 ? -12.0 : plug->GetParam(i)->Value());
    raw.PutString("Raw");
    EXPECT_EQ(SetChunk(1, std::vector<uint8_t>(raw.Bytes().begin(), raw.Bytes().end())), 1);
    EXPECT_EQ(plug->GetParam(1)->Value(), -12.0);
    EXPECT_STREQ(plug->GetPresetName(0), "Raw");
    // Without a name the slot keeps its own.
    IChunk bare;
    for (int i = 0; i < 60; ++i) bare.PutDouble(i == 1 ? 3.0 : 0.0);
    EXPECT_EQ(SetChunk(1, std::vector<uint8_t>(bare.Bytes().begin(), bare.Bytes().end())), 1);
    EXPECT_STREQ(plug->GetPresetName(0), "Raw");
    EXPECT_EQ(plug->GetParam(1)->Value(), 3.0);
}

TEST_F(IPlugVSTChunk, BadChunksFailAndChangeNothing)
{
    Create();
    EXPECT_EQ(Dispatch(vst::effSetChunk, 1, 100, nullptr), 0);
    std::vector<uint8_t> some(16, 0);
    EXPECT_EQ(Dispatch(vst::effSetChunk, 1, -5, some.data()), 0);
    EXPECT_EQ(SetChunk(1, {}), 0);
    EXPECT_EQ(SetChunk(0, {}), 0);
    EXPECT_EQ(SetChunk(1, Header()), 0);
    // Two values, then the chunk ends.
    const double first = plug->GetParam(0)->Value();
    const double second = plug->GetParam(1)->Value();
    std::vector<uint8_t> cut = Header();
    IChunk values;
    values.PutDouble(0.75);
    values.PutDouble(-20.0);
    cut.insert(cut.end(), values.Bytes().begin(), values.Bytes().end());
    EXPECT_EQ(SetChunk(1, cut), 0);
    EXPECT_EQ(plug->GetParam(0)->Value(), first);
    EXPECT_EQ(plug->GetParam(1)->Value(), second);
    // A bank cut inside a slot name.
    std::vector<uint8_t> bank = GetChunk(0);
    bank.resize(8 + 6);
    EXPECT_EQ(SetChunk(0, bank), 0);
    EXPECT_EQ(Dispatch(vst::effGetChunk, 0), 0);  // nowhere to put the address
}

TEST_F(IPlugVSTChunk, TheHostMayHandBackOurOwnBytes)
{
    Create();
    effect->setParameter(effect, 1, 0.25f);  // -25
    void* data = nullptr;
    const intptr_t size = Dispatch(vst::effGetChunk, 1, 0, &data);
    ASSERT_GT(size, 0);
    effect->setParameter(effect, 1, 0.75f);
    EXPECT_EQ(Dispatch(vst::effSetChunk, 1, size, data), 1);
    EXPECT_EQ(plug->GetParam(1)->Value(), -25.0);
    const intptr_t bankSize = Dispatch(vst::effGetChunk, 0, 0, &data);
    EXPECT_EQ(Dispatch(vst::effSetChunk, 0, bankSize, data), 1);
}

TEST_F(IPlugVSTChunk, ProgramChunkHostsGetProgramsForBankRequests)
{
    for (const char* vendor : {"Native Instruments", "NATIVE INSTRUMENTS", "juce vst host"}) {
        host.vendor = vendor;
        Create();
        const std::vector<uint8_t> chunk = GetChunk(0);
        EXPECT_EQ(chunk.size(), 8u + 480 + 4 + 5) << vendor;  // "Empty"
        Dispatch(vst::effClose);
        effect = nullptr;
    }
    // A vendor that merely contains the name is an ordinary host.
    host.vendor = "Native Instruments GmbH";
    Create();
    EXPECT_EQ(GetChunk(0).size(), 8u + 100 * (4 + 5 + 1 + 480) + 8);
}

TEST_F(IPlugVSTChunk, ProgramChunkHostsStillReadABank)
{
    host.vendor = "Some Vendor";
    Create();
    Dispatch(vst::effSetProgram, 0, 2);
    char name[] = "Saved Bank Slot";
    Dispatch(vst::effSetProgramName, 0, 0, name);
    const std::vector<uint8_t> bank = GetChunk(0);
    Dispatch(vst::effClose);
    effect = nullptr;

    host.vendor = "Native Instruments";
    Create();
    EXPECT_EQ(SetChunk(0, bank), 1);
    EXPECT_STREQ(plug->GetPresetName(2), "Saved Bank Slot");
    // Garbage is still a failure there.
    std::vector<uint8_t> junk(40, 0x55);
    EXPECT_EQ(SetChunk(0, junk), 0);
}

}  // namespace
}  // namespace qor
