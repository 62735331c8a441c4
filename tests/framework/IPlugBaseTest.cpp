#include "framework/IPlugBase.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "TestPlug.h"

namespace qor {
namespace {

using test::TestPlug;

// Distinct in-range values for every parameter of the test plug-in.
void SetDistinctValues(IPlugBase& plug)
{
    for (int i = 0; i < plug.NParams(); ++i) {
        IParameter* p = plug.GetParam(i);
        p->Set(p->Min() + (p->Max() - p->Min()) * ((i * 7) % 10) / 10.0);
    }
}

TEST(IPlugBase, ConstructionDefaults)
{
    TestPlug plug(nullptr);
    EXPECT_EQ(plug.NParams(), 60);
    EXPECT_EQ(plug.NPresets(), 100);
    EXPECT_EQ(plug.NInChannels(), 0);
    EXPECT_EQ(plug.NOutChannels(), 2);
    EXPECT_STREQ(plug.GetMakerName(), "Marrowind");
    EXPECT_EQ(plug.GetUniqueId(), 0x716F2D72);
    EXPECT_EQ(plug.GetMakerId(), 0x4D725764);
    EXPECT_EQ(plug.GetVersion(), 0x00010101);
    EXPECT_EQ(plug.GetVersion(true), 10101);
    EXPECT_EQ(plug.IPlugBase::GetHostKind(), -1);  // not asked yet
    EXPECT_EQ(plug.GetApiKind(), 0);
    EXPECT_EQ(plug.GetSampleRate(), 44100.0);
    EXPECT_EQ(plug.GetBlockSize(), 1024);
    EXPECT_STREQ(plug.GetPresetName(0), "empty");
    EXPECT_STREQ(plug.GetPresetName(100), "");
    EXPECT_STREQ(plug.GetPresetName(-1), "");
    EXPECT_EQ(plug.GetParam(60), nullptr);
    EXPECT_EQ(plug.GetParam(-1), nullptr);
    EXPECT_EQ(plug.GetPresetSlot(100), nullptr);
}

TEST(IPlugBase, ChannelConfigurationsAndLegalIO)
{
    TestPlug plug(nullptr);
    EXPECT_TRUE(plug.LegalIO(0, 2));
    EXPECT_TRUE(plug.LegalIO(-1, 2));
    EXPECT_TRUE(plug.LegalIO(0, -1));
    EXPECT_FALSE(plug.LegalIO(1, 2));
    EXPECT_FALSE(plug.LegalIO(0, 1));

    TestPlug multi(nullptr, 4, "1-1 2-2  4-6");
    EXPECT_EQ(multi.NInChannels(), 4);
    EXPECT_EQ(multi.NOutChannels(), 6);
    ASSERT_EQ(multi.ChannelConfigurations().size(), 3u);
    EXPECT_TRUE(multi.LegalIO(2, 2));
    EXPECT_FALSE(multi.LegalIO(2, 6));

    TestPlug broken(nullptr, 4, "2-x");
    EXPECT_TRUE(broken.ChannelConfigurations().empty());
    EXPECT_EQ(broken.NOutChannels(), 0);
}

TEST(IPlugBase, ParamsSerializeToEightBytesEachAndRoundTrip)
{
    TestPlug a(nullptr);
    SetDistinctValues(a);
    IChunk chunk;
    ASSERT_TRUE(a.SerializeParams(chunk));
    EXPECT_EQ(chunk.Size(), 480);

    TestPlug b(nullptr);
    EXPECT_EQ(b.UnserializeParams(chunk, 0), 480);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(b.GetParam(i)->Value(), a.GetParam(i)->Value()) << i;
    EXPECT_EQ(b.paramChanges, 60);
    EXPECT_TRUE(b.CompareState(chunk.Bytes(), 0));
    b.GetParam(59)->Set(b.GetParam(59)->Value() + 1);
    EXPECT_FALSE(b.CompareState(chunk.Bytes(), 0));
    // Too few bytes after the position cannot compare equal.
    EXPECT_FALSE(a.CompareState(chunk.Bytes(), 8));
    EXPECT_FALSE(a.CompareState(chunk.Bytes(), -1));
}

TEST(IPlugBase, ShortParamChunkAppliesWhatItHasAndFails)
{
    TestPlug plug(nullptr);
    IChunk chunk;
    for (int i = 0; i < 12; ++i) chunk.PutDouble(i == 1 ? -7.0 : 1.0);
    chunk.PutBytes(std::vector<uint8_t>(4, 0xFF));  // 100 bytes: parameter 12 is cut off
    ASSERT_EQ(chunk.Size(), 100);
    std::array<double, 60> before{};
    for (int i = 0; i < 60; ++i) before[static_cast<std::size_t>(i)] = plug.GetParam(i)->Value();

    EXPECT_EQ(plug.UnserializeParams(chunk, 0), -1);
    EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), -7.0);
    for (int i = 2; i < 12; ++i) EXPECT_EQ(plug.GetParam(i)->Value(), 1.0) << i;
    // The failed read gives 0.0, clamped into 1..8.
    EXPECT_EQ(plug.GetParam(12)->Value(), 1.0);
    for (int i = 13; i < 60; ++i) EXPECT_EQ(plug.GetParam(i)->Value(), before[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(plug.paramChanges, 60);
    // Values are clamped, never snapped.
    IChunk odd;
    odd.PutDouble(0.123456);
    odd.PutDouble(1000.0);
    plug.UnserializeParams(odd, 0);
    EXPECT_EQ(plug.GetParam(0)->Value(), 0.123456);
    EXPECT_EQ(plug.GetParam(1)->Value(), 50.0);
}

TEST(IPlugBase, RestoringAnUninitialisedSlotNamesItAfterTheUserPresets)
{
    TestPlug plug(nullptr);
    SetDistinctValues(plug);
    EXPECT_TRUE(plug.RestorePreset(7));
    EXPECT_STREQ(plug.GetPresetName(7), "user preset 1");
    EXPECT_EQ(plug.GetCurrentPresetIndex(), 7);
    EXPECT_EQ(plug.presetsChanged, 1);
    EXPECT_TRUE(plug.GetPresetSlot(7)->initialized);
    EXPECT_EQ(plug.GetPresetSlot(7)->state.Size(), 480);

    plug.GetPresetSlot(20)->SetName("my user preset");
    EXPECT_TRUE(plug.RestorePreset(30));
    EXPECT_STREQ(plug.GetPresetName(30), "user preset 3");

    EXPECT_FALSE(plug.RestorePreset(100));
    EXPECT_FALSE(plug.RestorePreset(-1));
    EXPECT_EQ(plug.GetCurrentPresetIndex(), 30);
}

TEST(IPlugBase, RestoringAnInitialisedSlotAppliesItsState)
{
    TestPlug plug(nullptr);
    plug.FillEmptyPresets(nullptr, 100);
    plug.GetParam(1)->Set(33);
    plug.ModifyCurrentPreset("Brass");  // slot 0 keeps 33
    plug.GetParam(1)->Set(-20);
    ASSERT_TRUE(plug.RestorePreset(1));  // slot 1 holds the initial state
    EXPECT_EQ(plug.GetParam(1)->Value(), 0.0);
    ASSERT_TRUE(plug.RestorePreset(0));
    EXPECT_EQ(plug.GetParam(1)->Value(), 33.0);
    EXPECT_STREQ(plug.GetPresetName(0), "Brass");
    // A slot whose state cannot be read is not selected.
    plug.GetPresetSlot(2)->state.Clear();
    EXPECT_FALSE(plug.RestorePreset(2));
    EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);
}

TEST(IPlugBase, FillEmptyPresetsTakesOnlyUninitialisedSlots)
{
    TestPlug plug(nullptr);
    plug.RestorePreset(1);  // slot 1 becomes "user preset 1"
    plug.FillEmptyPresets("Init", 2);
    EXPECT_STREQ(plug.GetPresetName(0), "Init");
    EXPECT_STREQ(plug.GetPresetName(1), "user preset 1");
    EXPECT_STREQ(plug.GetPresetName(2), "Init");
    EXPECT_STREQ(plug.GetPresetName(3), "empty");
    plug.FillEmptyPresets(nullptr, 1000);
    EXPECT_STREQ(plug.GetPresetName(3), "Empty");
    EXPECT_STREQ(plug.GetPresetName(99), "Empty");
    for (int i = 0; i < 100; ++i) EXPECT_EQ(plug.GetPresetSlot(i)->state.Size(), 480);
}

TEST(IPlugBase, ModifyCurrentPresetStoresTheLiveStateAndRenamesOnlyWithAName)
{
    TestPlug plug(nullptr);
    plug.FillEmptyPresets(nullptr, 100);
    plug.GetParam(0)->Set(0.75);
    plug.ModifyCurrentPreset("");
    EXPECT_STREQ(plug.GetPresetName(0), "Empty");
    double stored = 0;
    plug.GetPresetSlot(0)->state.GetDouble(stored, 0);
    EXPECT_EQ(stored, 0.75);
    plug.ModifyCurrentPreset(nullptr);
    EXPECT_STREQ(plug.GetPresetName(0), "Empty");
    plug.ModifyCurrentPreset("Strings");
    EXPECT_STREQ(plug.GetPresetName(0), "Strings");
    // The state is rewritten, not appended to.
    EXPECT_EQ(plug.GetPresetSlot(0)->state.Size(), 480);
}

TEST(IPlugBase, BankLayoutAndRoundTrip)
{
    TestPlug a(nullptr);
    a.FillEmptyPresets(nullptr, 100);
    a.GetPresetSlot(3)->SetName("Bell");
    a.GetParam(1)->Set(12);
    a.GetPresetSlot(3)->state.Clear();
    a.SerializeState(a.GetPresetSlot(3)->state);
    IChunk bank;
    ASSERT_TRUE(a.SerializePresets(bank));

    // Each slot: length, name bytes, 0x01, then the 480 state bytes.
    int pos = 0;
    for (int slot = 0; slot < 100; ++slot) {
        std::string name;
        pos = bank.GetString(name, pos);
        ASSERT_GT(pos, 0);
        EXPECT_EQ(name, slot == 3 ? "Bell" : "Empty");
        EXPECT_EQ(bank.Data()[pos], 0x01);
        pos += 1 + 480;
    }
    EXPECT_EQ(pos, bank.Size());
    EXPECT_EQ(bank.Size(), 99 * (4 + 5 + 1 + 480) + (4 + 4 + 1 + 480));

    TestPlug b(nullptr);
    EXPECT_EQ(b.UnserializePresets(bank, 0), bank.Size());
    EXPECT_STREQ(b.GetPresetName(3), "Bell");
    EXPECT_TRUE(b.GetPresetSlot(99)->initialized);
    // The current slot (0) is restored last.
    EXPECT_EQ(b.GetParam(1)->Value(), 0.0);
    ASSERT_TRUE(b.RestorePreset(3));
    EXPECT_EQ(b.GetParam(1)->Value(), 12.0);
}

TEST(IPlugBase, TruncatedBankChangesNoSlot)
{
    TestPlug a(nullptr);
    a.FillEmptyPresets("Bank A", 100);
    IChunk bank;
    a.SerializePresets(bank);
    IChunk cut;
    // Two whole slots and part of the third slot's name.
    const int slotBytes = 4 + 6 + 1 + 480;
    cut.PutBytes(bank.Bytes().first(static_cast<std::size_t>(2 * slotBytes + 6)));

    TestPlug b(nullptr);
    b.FillEmptyPresets("Bank B", 100);
    EXPECT_EQ(b.UnserializePresets(cut, 0), -1);
    EXPECT_STREQ(b.GetPresetName(0), "Bank B");
    EXPECT_STREQ(b.GetPresetName(1), "Bank B");
    EXPECT_STREQ(b.GetPresetName(2), "Bank B");
    EXPECT_STREQ(b.GetPresetName(99), "Bank B");

    // An uninitialised slot carries no state bytes.
    TestPlug c(nullptr);
    IChunk sparse;
    ASSERT_TRUE(c.SerializePresets(sparse));
    EXPECT_EQ(sparse.Size(), 100 * (4 + 5 + 1));
}

TEST(IPlugBase, SetBlockSizeKeepsBuffersWhenTheSizeIsUnchanged)
{
    // Inputs are converted into their scratch buffers; a block with no host
    // input buffers then reads what the scratch buffers still hold.
    TestPlug plug(nullptr, 4, "2-2");
    std::vector<float> in0(1024, 0.5f), in1(1024, 0.5f), out0(1024), out1(1024);
    std::array<float*, 2> ins{in0.data(), in1.data()};
    std::array<float*, 2> outs{out0.data(), out1.data()};
    plug.ProcessBuffers(ins.data(), outs.data(), 1024, false);
    EXPECT_FLOAT_EQ(out0[10], 0.75f);

    plug.SetBlockSize(1024);
    plug.ProcessBuffers(nullptr, outs.data(), 1024, false);
    EXPECT_FLOAT_EQ(out0[10], 0.75f);

    plug.SetBlockSize(512);
    EXPECT_EQ(plug.GetBlockSize(), 512);
    plug.ProcessBuffers(nullptr, outs.data(), 512, false);
    EXPECT_FLOAT_EQ(out0[10], 0.25f);

    // Sizes a host cannot mean are ignored.
    plug.SetBlockSize(0);
    plug.SetBlockSize(-5);
    EXPECT_EQ(plug.GetBlockSize(), 512);
}

TEST(IPlugBase, FloatBlocksReplaceOrAccumulate)
{
    TestPlug plug(nullptr);
    std::vector<float> left(300, 1.0f), right(300, 1.0f);
    std::array<float*, 2> outs{left.data(), right.data()};
    plug.ProcessBuffers(nullptr, outs.data(), 300, true);
    EXPECT_FLOAT_EQ(left[0], 1.25f);
    EXPECT_FLOAT_EQ(right[299], 1.5f);
    plug.ProcessBuffers(nullptr, outs.data(), 300, false);
    EXPECT_FLOAT_EQ(left[0], 0.25f);
    EXPECT_FLOAT_EQ(right[299], 0.5f);
    EXPECT_EQ(plug.blocks, 2);
}

TEST(IPlugBase, HostBlocksLongerThanTheBlockSizeRenderInPieces)
{
    TestPlug plug(nullptr, 4, "1-2");
    plug.SetBlockSize(256);
    const int frames = 1000;
    std::vector<float> in(frames), left(frames, 9.0f), right(frames, 9.0f);
    for (int s = 0; s < frames; ++s) in[static_cast<std::size_t>(s)] = static_cast<float>(s) / 1024.0f;
    std::array<float*, 1> ins{in.data()};
    std::array<float*, 2> outs{left.data(), right.data()};
    plug.ProcessBuffers(ins.data(), outs.data(), frames, false);
    EXPECT_EQ(plug.maxFrames, 256);
    EXPECT_EQ(plug.totalFrames, frames);
    EXPECT_EQ(plug.blocks, 4);
    for (int s = 0; s < frames; ++s) {
        ASSERT_FLOAT_EQ(left[static_cast<std::size_t>(s)], 0.25f + static_cast<float>(s) / 1024.0f) << s;
        ASSERT_FLOAT_EQ(right[static_cast<std::size_t>(s)], 0.5f) << s;
    }

    // Double buffers too, including a missing host output.
    std::vector<double> din(frames, 0.125), dleft(frames, 9.0);
    std::array<double*, 1> dins{din.data()};
    std::array<double*, 2> douts{dleft.data(), nullptr};
    plug.totalFrames = 0;
    plug.ProcessBuffers(dins.data(), douts.data(), frames);
    EXPECT_EQ(plug.totalFrames, frames);
    for (double v : dleft) ASSERT_EQ(v, 0.375);
}

TEST(IPlugBase, NullBuffersAndEmptyBlocksAreHarmless)
{
    TestPlug plug(nullptr);
    plug.ProcessBuffers(static_cast<float**>(nullptr), nullptr, 512, false);
    plug.ProcessBuffers(static_cast<double**>(nullptr), nullptr, 512);
    std::vector<float> left(16, 3.0f);
    std::array<float*, 2> outs{left.data(), nullptr};
    plug.ProcessBuffers(nullptr, outs.data(), 0, false);
    plug.ProcessBuffers(nullptr, outs.data(), -4, false);
    EXPECT_EQ(left[0], 3.0f);
    plug.ProcessBuffers(nullptr, outs.data(), 16, false);
    EXPECT_FLOAT_EQ(left[15], 0.25f);
    EXPECT_EQ(plug.blocks, 3);
}

// A plug-in that keeps the framework's default block: inputs copied to the
// outputs of the same number, the other outputs silent.
class PassThrough : public IPlugVST {
public:
    PassThrough() : IPlugVST(nullptr, Config()) {}
    static IPlugConfig Config()
    {
        IPlugConfig config;
        config.channelIO = "1-2";
        config.nParams = 1;
        return config;
    }
};

TEST(IPlugBase, DefaultBlockCopiesInputsAndSilencesTheRest)
{
    PassThrough plug;
    std::vector<double> in{0.1, 0.2, 0.3}, left(3, 5.0), right(3, 5.0);
    std::array<double*, 1> ins{in.data()};
    std::array<double*, 2> outs{left.data(), right.data()};
    plug.ProcessBuffers(ins.data(), outs.data(), 3);
    EXPECT_EQ(left, in);
    EXPECT_EQ(right, std::vector<double>(3, 0.0));
}

TEST(IPlugBase, WithoutABlockSizeNothingRendersAndReplacedBuffersAreSilent)
{
    struct Bare : IPlugBase {
        int blocks = 0;
        void ProcessBlock(double**, double**, int) override { ++blocks; }
    } plug;
    EXPECT_EQ(plug.GetBlockSize(), 0);
    std::vector<float> left(8, 2.0f), right(8, 2.0f);
    std::array<float*, 2> outs{left.data(), right.data()};
    plug.ProcessBuffers(nullptr, outs.data(), 8, true);
    EXPECT_EQ(left[0], 2.0f);
    plug.ProcessBuffers(nullptr, outs.data(), 8, false);
    EXPECT_EQ(left[7], 0.0f);
    EXPECT_EQ(right[0], 0.0f);
    std::vector<double> dleft(8, 2.0);
    std::array<double*, 2> douts{dleft.data(), nullptr};
    plug.ProcessBuffers(nullptr, douts.data(), 8);
    EXPECT_EQ(dleft[3], 0.0);
    EXPECT_EQ(plug.blocks, 0);
}

TEST(IPlugBase, SampleRateIgnoresUnusableValues)
{
    TestPlug plug(nullptr);
    plug.SetSampleRate(48000.0);
    plug.SetSampleRate(0.0);
    plug.SetSampleRate(-44100.0);
    plug.SetSampleRate(std::nan(""));
    EXPECT_EQ(plug.GetSampleRate(), 48000.0);
}

}  // namespace
}  // namespace qor
