#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "tests/plugin/QorInstance.h"
#include "tests/programs/WavTestFiles.h"

namespace qor {
namespace {

using test::QorInstance;
using test::WavBytes;

// Level 0 of a memory's active sample table: every second byte.
std::vector<int> LevelZero(QOR& plug, int memory)
{
    std::vector<int> samples;
    for (int k = 0; k < 512; ++k) samples.push_back(plug.ActiveTable(memory)[2 * k]);
    return samples;
}

struct UserWaveState {
    std::array<HarmonicMap, 2> recipes;
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> stored;
    std::array<std::vector<uint8_t>, 2> active;
    explicit UserWaveState(QOR& plug) : recipes(plug.recipes), stored(plug.storedTables)
    {
        for (int m = 0; m < 2; ++m) active[m].assign(plug.ActiveTable(m), plug.ActiveTable(m) + kUserWaveBytes);
    }
    bool operator==(const UserWaveState& o) const
    {
        auto same = [](const HarmonicMap& a, const HarmonicMap& b) {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
                       return x.first == y.first && x.second.cosine == y.second.cosine && x.second.sine == y.second.sine;
                   });
        };
        return same(recipes[0], o.recipes[0]) && same(recipes[1], o.recipes[1]) && stored == o.stored && active == o.active;
    }
};

TEST(UserWaveFiles, MonoSineBecomesHarmonicOneAtFullLevel)
{
    QorInstance q;
    const std::string path = q.home.File("sine.wav");
    ASSERT_TRUE(test::MonoPcm16File(test::SineValues(512, 1, 20000)).Save(path));
    for (const int memory : {0, 1}) {
        const UserWaveState before(*q);
        ASSERT_TRUE(q->LoadUserWaveWav(memory, path));
        EXPECT_EQ(q->infoMessage, memory == 0 ? kInfoInternalUserWaveLoaded : kInfoCartridgeUserWaveLoaded);
        ASSERT_EQ(q->recipes[memory].size(), 1u);
        EXPECT_EQ(q->recipes[memory].begin()->first, 1);
        EXPECT_DOUBLE_EQ(q->recipes[memory].begin()->second.sine, 31.0);
        EXPECT_EQ(q->recipes[memory].begin()->second.cosine, 0.0);
        const std::vector<int> level0 = LevelZero(*q, memory);
        EXPECT_EQ(*std::max_element(level0.begin(), level0.end()), 128 + 115);
        EXPECT_EQ(*std::min_element(level0.begin(), level0.end()), 128 - 115);
        EXPECT_EQ(level0[128], 243);
        // The loaded wave is kept with the program; the other memory is untouched.
        EXPECT_TRUE(std::equal(q->storedTables[memory].begin(), q->storedTables[memory].end(), q->ActiveTable(memory)));
        const int other = 1 - memory;
        const UserWaveState after(*q);
        EXPECT_EQ(after.stored[other], before.stored[other]);
        EXPECT_EQ(after.active[other], before.active[other]);
    }
}

TEST(UserWaveFiles, OneSecondFileIsOneCycleOfItsWholeLength)
{
    // 2 Hz and 441 Hz over one second at 44.1 kHz: harmonics 2 and 441 of
    // the cycle, and 441 lies beyond the 128 that are analysed.
    std::vector<int> values(44100);
    for (int i = 0; i < 44100; ++i)
        values[i] = static_cast<int>(std::lround(
            12000 * (std::sin(2 * std::numbers::pi * 2 * i / 44100) + std::sin(2 * std::numbers::pi * 441 * i / 44100))));
    QorInstance q;
    const std::string path = q.home.File("second.wav");
    ASSERT_TRUE(test::MonoPcm16File(values).Save(path));
    ASSERT_TRUE(q->LoadUserWaveWav(0, path));
    ASSERT_EQ(q->recipes[0].size(), 1u);
    EXPECT_EQ(q->recipes[0].begin()->first, 2);
}

TEST(UserWaveFiles, RefusedFilesChangeNothing)
{
    QorInstance q;
    WavBytes stereo;
    stereo.Fmt(1, 2, 16).Data(test::Pcm16(test::SineValues(1024, 1, 1000)));
    WavBytes int32;
    int32.Fmt(1, 1, 32).Data(std::vector<uint8_t>(2048, 0x40));
    WavBytes notWav;
    notWav.bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    WavBytes silent;  // a frame count of 0
    silent.Fmt(1, 1, 16).Data({0});

    struct Case {
        const char* name;
        const WavBytes* file;
        int message;
    };
    for (const Case c : {Case{"stereo.wav", &stereo, kInfoOnlyMonoWav}, Case{"int32.wav", &int32, kInfoCannotReadFile},
                         Case{"song.mid", &notWav, kInfoCannotReadFile}, Case{"empty.wav", &silent, kInfoCannotReadFile},
                         Case{"missing.wav", nullptr, kInfoCannotReadFile}}) {
        const std::string path = q.home.File(c.name);
        if (c.file) {
            ASSERT_TRUE(c.file->Save(path));
        }
        q->infoMessage = kInfoVersion;
        const UserWaveState before(*q);
        EXPECT_FALSE(q->LoadUserWaveWav(0, path)) << c.name;
        EXPECT_EQ(q->infoMessage, c.message) << c.name;
        EXPECT_STREQ(InfoMessageText(q->infoMessage),
                     c.message == kInfoOnlyMonoWav ? "Only MONO WAV files are allowed!" : "Cannot read file!");
        EXPECT_TRUE(UserWaveState(*q) == before) << c.name;
    }
}

TEST(UserWaveFiles, SavedWaveLoadsBackUpToQuantisation)
{
    QorInstance q;
    q->ComputeUserWaveTables(0, {{1, {0.0, 31.0}}, {3, {12.0, 0.0}}, {5, {0.0, -9.0}}, {11, {4.0, 4.0}}});
    q->CopyActiveToStored(0, 0);
    const std::string path = q.home.File("UserWave_001I.wav");
    ASSERT_TRUE(q->SaveUserWaveWav(0, path));
    EXPECT_EQ(q->infoMessage, 9);
    EXPECT_STREQ(InfoMessageText(9), "User Wave is written to internal memory.");
    EXPECT_EQ(std::filesystem::file_size(path), 44u + 1024u);

    ASSERT_TRUE(q->LoadUserWaveWav(1, path));
    const std::vector<int> original = LevelZero(*q, 0);
    const std::vector<int> reloaded = LevelZero(*q, 1);
    int worst = 0;
    for (int k = 0; k < 512; ++k) worst = std::max(worst, std::abs(original[k] - reloaded[k]));
    EXPECT_LE(worst, 2);
    // The recipe keeps the audible harmonics in sine phase.
    for (const int h : {1, 3, 5, 11}) EXPECT_TRUE(q->recipes[1].contains(static_cast<uint8_t>(h))) << h;

    // The cartridge wave is saved from its own stored table.
    ASSERT_TRUE(q->SaveUserWaveWav(1, q.home.File("c.wav")));
    EXPECT_EQ(q->infoMessage, 10);

    q->infoMessage = kInfoVersion;
    EXPECT_FALSE(q->SaveUserWaveWav(0, q.home.File("no-folder/x.wav")));
    EXPECT_EQ(q->infoMessage, kInfoVersion);
}

TEST(UserWaveFiles, BytesAreSampleValuesAroundTheirOwnMean)
{
    QorInstance q;
    const UserWaveState before(*q);
    std::array<uint8_t, 512> bytes{};
    for (int k = 0; k < 512; ++k) bytes[k] = static_cast<uint8_t>(std::lround(128 + 100 * std::sin(2 * std::numbers::pi * 3 * k / 512)));
    q->WriteUserWaveBytes(1, bytes.data());
    ASSERT_EQ(q->recipes[1].size(), 1u);
    EXPECT_EQ(q->recipes[1].begin()->first, 3);
    // Only the active tables change; storing is the caller's decision.
    EXPECT_EQ(q->storedTables, before.stored);
    const std::vector<int> level0 = LevelZero(*q, 1);
    EXPECT_EQ(*std::max_element(level0.begin(), level0.end()), 243);

    // A flat table holds no wave: silence, not amplified rounding noise.
    bytes.fill(200);
    q->WriteUserWaveBytes(1, bytes.data());
    EXPECT_TRUE(q->recipes[1].empty());
    EXPECT_TRUE(std::all_of(q->ActiveTable(1), q->ActiveTable(1) + 1024, [](uint8_t b) { return b == 128; }));
    EXPECT_TRUE(std::all_of(q->ActiveTable(1) + 1024, q->ActiveTable(1) + 2048, [](uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace qor
