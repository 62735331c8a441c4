#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/ParameterIndex.h"
#include "engine/WaveMemory.h"
#include "tests/plugin/PlugFixture.h"
#include "tests/plugin/ScriptedServices.h"

namespace qor {
namespace {

constexpr int kWrite = 256, kFunctionMode = 262, kCartridgeBank = 263, kDown = 316, kUp = 317;
constexpr int kHarmonicDisplay = 320, kLevelDisplay = 321;
constexpr int kUserWaveFunction = 309;  // number key 46: function 10
constexpr int NumberKey(int n) { return 263 + n; }

class UserWaveEditing : public test::PlugFixture {
protected:
    void SetUp() override
    {
        PlugFixture::SetUp();
        Prepare();
    }
    // A fresh instance (its engine in its first state, so notes compare).
    void Prepare()
    {
        Make();
        plug->SetServices(&services);
        plug->SetWriteProtect(false);
        // Only oscillator 1 sounds, on the current memory's user wave.
        plug->ChangeParameter(kOsc1Wave, kWaveUserOwn, false);
        plug->ChangeParameter(kOsc2Wave, kWaveOff, false);
    }
    void Click(int key, bool alternate = false)
    {
        plug->PressPanelKey(key, alternate);
        plug->ReleasePanelKey(key);
    }
    void Edit()
    {
        Click(kFunctionMode);
        Click(kUserWaveFunction);
    }
    // A note, left channel.
    std::vector<double> Note()
    {
        Midi(0x90, 60, 100);
        std::vector<double> out;
        std::vector<double> left(kBlock), right(kBlock);
        std::array<double*, 2> outputs{left.data(), right.data()};
        for (int b = 0; b < 8; ++b) {
            plug->ProcessBlock(nullptr, outputs.data(), kBlock);
            out.insert(out.end(), left.begin(), left.end());
        }
        Midi(0x80, 60, 0);
        return out;
    }
    static double Difference(const std::vector<double>& a, const std::vector<double>& b)
    {
        double sum = 0;
        for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
        return std::sqrt(sum / static_cast<double>(a.size()));
    }
    static double Rms(const std::vector<double>& a) { return Difference(a, std::vector<double>(a.size())); }
    std::vector<uint8_t> Active(int memory) const
    {
        const uint8_t* table = plug->ActiveTable(memory);
        return {table, table + kUserWaveBytes};
    }

    test::ScriptedServices services;
};

TEST_F(UserWaveEditing, HarmonicEditsAreHeardAtOnceAndUndoneWhenLeftUnwritten)
{
    const std::vector<double> before = Note();
    ASSERT_GT(Rms(before), 1e-3);
    Prepare();
    ASSERT_EQ(Difference(Note(), before), 0.0);  // a fresh instance plays the same note alike
    Prepare();
    const auto table = Active(0);

    Edit();
    EXPECT_EQ(plug->FunctionNumber(), 10);
    EXPECT_EQ(plug->DisplayText(), "USER WAVE (INTERNAL)");
    EXPECT_TRUE(plug->LedOn(328));
    // The default triangle starts at its fundamental, at the full level.
    const int level = static_cast<int>(std::lround(plug->recipes[0].begin()->second.sine));
    Click(kLevelDisplay);
    for (int i = 0; i < level; ++i) Click(kDown);
    EXPECT_FALSE(plug->recipes[0].contains(1));  // level 0 takes it out
    Click(kHarmonicDisplay);
    Click(kUp);  // harmonic 2, absent from a triangle
    Click(kLevelDisplay);
    for (int i = 0; i < 40; ++i) Click(kUp);  // clamps at 31
    EXPECT_EQ(plug->recipes[0].at(2).sine, 31.0);
    const auto wave = plug->CurrentWave();
    ASSERT_NE(wave.samples, nullptr);
    const uint8_t* active = plug->ActiveTable(0);
    for (int k = 0; k < 512; ++k) ASSERT_EQ(wave.samples[k], active[2 * k]) << k;

    const std::vector<double> edited = Note();
    EXPECT_GT(Difference(edited, before), 0.1 * Rms(before));
    EXPECT_NE(Active(0), table);

    Click(kFunctionMode);  // leaving without writing
    EXPECT_EQ(Active(0), table);
}

TEST_F(UserWaveEditing, WritingKeepsTheCalculatedWaveWithTheProgram)
{
    Edit();
    Click(kCartridgeBank);
    EXPECT_TRUE(plug->LedOn(326));
    const auto internal = Active(0);
    const auto cartridge = Active(1);
    Click(NumberKey(5));  // a preset spectrum into the cartridge user wave
    EXPECT_EQ(Active(0), internal);
    EXPECT_NE(Active(1), cartridge);
    EXPECT_LE(plug->recipes[1].size(), 32u);

    services.messageAnswers = {IUserServices::kAnswerYes};
    Click(kWrite);
    ASSERT_EQ(services.asked.size(), 1u);
    EXPECT_EQ(services.asked[0].text, "Write calculated User Wave?");
    EXPECT_EQ(plug->infoMessage, 10);
    const auto written = Active(1);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), plug->storedTables[1].begin()));

    Click(kFunctionMode);
    EXPECT_EQ(Active(1), written);
    plug->SelectProgram(3);
    plug->SelectProgram(0);
    EXPECT_EQ(Active(1), written);
}

TEST_F(UserWaveEditing, ProtectionAndNoKeepTheWaveUnwritten)
{
    const auto stored = plug->storedTables[0];
    Edit();
    Click(NumberKey(2));
    services.messageAnswers = {IUserServices::kAnswerNo};
    Click(kWrite);
    EXPECT_EQ(services.asked.size(), 1u);
    EXPECT_EQ(plug->storedTables[0], stored);

    plug->SetWriteProtect(true);
    Click(kWrite);
    EXPECT_EQ(services.asked.size(), 1u);  // not even asked
    EXPECT_TRUE(plug->storeRefused);
    EXPECT_EQ(plug->storedTables[0], stored);
}

TEST_F(UserWaveEditing, AWaveHoldsAtMostThirtyTwoHarmonics)
{
    HarmonicMap full;
    for (int h = 1; h <= 32; ++h) full[static_cast<uint8_t>(h)] = {0.0, 10.0};
    plug->recipes[0] = full;
    Edit();
    Click(kHarmonicDisplay);
    for (int i = 0; i < 40; ++i) Click(kUp);  // harmonic 41
    Click(kLevelDisplay);
    Click(kUp);
    EXPECT_EQ(plug->recipes[0].size(), 32u);
    EXPECT_FALSE(plug->recipes[0].contains(41));
    // Stepping through the harmonics present: back from 41 lands on 32, forward wraps to 1.
    Click(kHarmonicDisplay, true);
    Click(kUp);
    EXPECT_EQ(plug->recipes[0].at(32).sine, 11.0);
    Click(kLevelDisplay, true);
    Click(kUp);
    EXPECT_EQ(plug->recipes[0].at(1).sine, 11.0);
}

}  // namespace
}  // namespace qor
