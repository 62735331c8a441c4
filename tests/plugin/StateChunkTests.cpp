#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/ParameterIndex.h"
#include "tests/plugin/QorInstance.h"

namespace qor {
namespace {

using test::QorInstance;

constexpr int kTagBytes = 9;
constexpr int kEntryBytes = 17;
constexpr int kTablesBytes = 2048;
constexpr int kParamBytes = 60 * 8;

struct Snapshot {
    std::vector<double> values;
    std::array<HarmonicMap, 2> recipes;
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> stored{};
    std::array<std::array<uint8_t, kUserWaveBytes>, 2> active{};
    int current = 0;
    std::vector<std::string> names;

    explicit Snapshot(QOR& plug) : recipes(plug.recipes), stored(plug.storedTables), current(plug.GetCurrentPresetIndex())
    {
        for (int i = 0; i < plug.NParams(); ++i) values.push_back(plug.GetParam(i)->Value());
        for (int m = 0; m < 2; ++m) std::copy_n(plug.ActiveTable(m), kUserWaveBytes, active[m].begin());
        for (int p = 0; p < plug.NPresets(); ++p) names.emplace_back(plug.GetPresetName(p));
    }
};

bool SameRecipe(const HarmonicMap& a, const HarmonicMap& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
               return x.first == y.first && x.second.cosine == y.second.cosine && x.second.sine == y.second.sine;
           });
}

void ExpectUnchanged(const Snapshot& before, QOR& plug, const char* what)
{
    const Snapshot now(plug);
    EXPECT_EQ(now.values, before.values) << what;
    EXPECT_TRUE(SameRecipe(now.recipes[0], before.recipes[0])) << what;
    EXPECT_TRUE(SameRecipe(now.recipes[1], before.recipes[1])) << what;
    EXPECT_EQ(now.stored, before.stored) << what;
    EXPECT_EQ(now.active, before.active) << what;
    EXPECT_EQ(now.current, before.current) << what;
    EXPECT_EQ(now.names, before.names) << what;
}

// Fills the working program with values that no default shares: every
// parameter somewhere inside its range (not on its step grid), recipes of the
// given sizes, stored tables of noise.
void Scramble(QOR& plug, unsigned seed, int internalEntries, int cartridgeEntries)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.01, 0.99);
    for (int i = 0; i < plug.NParams(); ++i) {
        IParameter* p = plug.GetParam(i);
        p->Set(p->Min() + (p->Max() - p->Min()) * unit(random));
    }
    const std::array<int, 2> sizes{internalEntries, cartridgeEntries};
    for (int m = 0; m < 2; ++m) {
        plug.recipes[m].clear();
        for (int e = 0; e < sizes[m]; ++e)
            plug.recipes[m][static_cast<uint8_t>(1 + e * 3 + m)] = {unit(random) - 0.5, 31.0 * unit(random)};
        for (uint8_t& b : plug.storedTables[m]) b = static_cast<uint8_t>(random());
    }
}

IChunk StateOf(QOR& plug)
{
    IChunk chunk;
    EXPECT_TRUE(plug.SerializeState(chunk));
    return chunk;
}

TEST(StateChunk, RoundTripReproducesValuesRecipesAndStoredTables)
{
    QorInstance a;
    Scramble(*a, 1, 32, 32);
    const IChunk chunk = StateOf(*a);
    const int nameLength = static_cast<int>(std::strlen(a->GetPresetName(0)));
    EXPECT_EQ(chunk.Size(), 5689 + nameLength);

    QorInstance b;
    Scramble(*b, 2, 5, 0);
    b->SelectProgram(63);
    const Snapshot before(*b);
    ASSERT_EQ(b->UnserializeState(chunk, 0), chunk.Size());
    const Snapshot after(*b);
    const Snapshot source(*a);
    EXPECT_EQ(after.values, source.values);
    EXPECT_TRUE(SameRecipe(after.recipes[0], source.recipes[0]));
    EXPECT_TRUE(SameRecipe(after.recipes[1], source.recipes[1]));
    EXPECT_EQ(after.stored, source.stored);
    // The index and the name stay with the slots; the engine keeps playing
    // the active tables until a program is selected.
    EXPECT_EQ(after.current, 63);
    EXPECT_EQ(after.names, before.names);
    EXPECT_EQ(after.active, before.active);
}

TEST(StateChunk, LayoutHoldsTagIndexNameBlocksAndValues)
{
    QorInstance q;
    q->recipes[0].clear();
    q->recipes[1].clear();
    q->storedTables[1][5] = 0x5A;
    q->GetParam(kCutoff)->Set(42.0);
    const IChunk chunk = StateOf(*q);
    const std::string name = q->GetPresetName(0);
    ASSERT_EQ(chunk.Size(), 4601 + static_cast<int>(name.size()));
    EXPECT_EQ(std::memcmp(chunk.Data(), "QOR_1.0.0", kTagBytes), 0);
    int32_t value = -1;
    EXPECT_EQ(chunk.GetInt32(value, 9), 13);
    EXPECT_EQ(value, 0);
    std::string stored;
    const int afterName = chunk.GetString(stored, 13);
    EXPECT_EQ(stored, name);
    chunk.GetInt32(value, afterName);
    EXPECT_EQ(value, 0);
    const int cartridge = afterName + 4 + kTablesBytes;
    chunk.GetInt32(value, cartridge);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(chunk.Data()[cartridge + 4 + 5], 0x5A);
    double cutoff = 0;
    chunk.GetDouble(cutoff, cartridge + 4 + kTablesBytes + 8 * kCutoff);
    EXPECT_EQ(cutoff, 42.0);

    // A recipe entry: harmonic byte, cosine, sine.
    q->recipes[1][9] = {0.25, 12.0};
    const IChunk withEntry = StateOf(*q);
    ASSERT_EQ(withEntry.Size(), chunk.Size() + kEntryBytes);
    EXPECT_EQ(withEntry.Data()[cartridge + 4], 9);
    double c = 0, s = 0;
    withEntry.GetDouble(s, withEntry.GetDouble(c, cartridge + 5));
    EXPECT_EQ(c, 0.25);
    EXPECT_EQ(s, 12.0);
}

TEST(StateChunk, AnyOtherTagLeavesEverythingAlone)
{
    QorInstance a;
    Scramble(*a, 3, 4, 4);
    IChunk prefixed;
    prefixed.PutBytes(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7});
    prefixed.PutChunk(StateOf(*a));

    QorInstance b;
    const Snapshot before(*b);
    for (int i = 0; i < kTagBytes; ++i) {
        IChunk changed;
        changed.PutBytes(prefixed.Bytes());
        changed.Data()[7 + i] ^= (i == 8 ? 0x01 : 0x20);  // "QOR_1.0.1", "qOR_1.0.0", ...
        EXPECT_EQ(b->UnserializeState(changed, 7), 7) << "byte " << i;
        ExpectUnchanged(before, *b, "after a wrong tag");
    }
    // Fewer than nine bytes, or a position outside the chunk.
    IChunk shortTag;
    shortTag.PutBytes(std::vector<uint8_t>{'Q', 'O', 'R', '_', '1', '.', '0', '.'});
    EXPECT_EQ(b->UnserializeState(shortTag, 0), 0);
    EXPECT_EQ(b->UnserializeState(prefixed, prefixed.Size() + 3), prefixed.Size() + 3);
    EXPECT_EQ(b->UnserializeState(prefixed, -1), -1);
    ExpectUnchanged(before, *b, "after a short tag");

    // The tag alone decides: whatever follows a complete state is not read.
    IChunk followed;
    followed.PutChunk(prefixed);
    followed.PutBytes(std::vector<uint8_t>(100, 0xEE));
    EXPECT_EQ(b->UnserializeState(followed, 7), prefixed.Size());
}

TEST(StateChunk, ValuesAreClampedAndLaterRecipeEntriesWin)
{
    QorInstance q;
    IChunk chunk;
    chunk.PutBytes(std::vector<uint8_t>{'Q', 'O', 'R', '_', '1', '.', '0', '.', '0'});
    chunk.PutInt32(12);
    chunk.PutString("ANY NAME");
    for (int m = 0; m < 2; ++m) {
        chunk.PutInt32(m == 0 ? 3 : -5);  // a negative count reads no entry
        if (m == 0) {
            for (const double level : {1.0, 2.0, 3.0}) {
                const uint8_t harmonic = level == 2.0 ? 4 : 7;
                chunk.PutBytes(std::span<const uint8_t>(&harmonic, 1));
                chunk.PutDouble(0.0);
                chunk.PutDouble(level);
            }
        }
        chunk.PutBytes(std::vector<uint8_t>(kTablesBytes, static_cast<uint8_t>(m + 1)));
    }
    for (int i = 0; i < 60; ++i) {
        double v = 0.0;
        if (i == kVolume) v = 1e9;
        if (i == kCutoff) v = -50.0;
        if (i == kResonance) v = std::numeric_limits<double>::quiet_NaN();
        if (i == kLevel) v = 17.25;  // inside the range, off the step grid
        chunk.PutDouble(v);
    }
    ASSERT_EQ(q->UnserializeState(chunk, 0), chunk.Size());
    EXPECT_EQ(q->GetParam(kVolume)->Value(), q->GetParam(kVolume)->Max());
    EXPECT_EQ(q->GetParam(kCutoff)->Value(), q->GetParam(kCutoff)->Min());
    EXPECT_EQ(q->GetParam(kResonance)->Value(), q->GetParam(kResonance)->Min());
    EXPECT_EQ(q->GetParam(kLevel)->Value(), 17.25);
    ASSERT_EQ(q->recipes[0].size(), 2u);
    EXPECT_EQ(q->recipes[0].at(7).sine, 3.0);
    EXPECT_EQ(q->recipes[0].at(4).sine, 2.0);
    EXPECT_TRUE(q->recipes[1].empty());
    EXPECT_EQ(q->storedTables[0][100], 1);
    EXPECT_EQ(q->storedTables[1][2047], 2);
}

TEST(StateChunk, HugeRecipeCountStopsAtTheChunkEnd)
{
    QorInstance q;
    const Snapshot before(*q);
    IChunk chunk;
    chunk.PutBytes(std::vector<uint8_t>{'Q', 'O', 'R', '_', '1', '.', '0', '.', '0'});
    chunk.PutInt32(0);
    chunk.PutString("");
    chunk.PutInt32(std::numeric_limits<int32_t>::max());
    for (int e = 0; e < 3; ++e) {
        const uint8_t harmonic = static_cast<uint8_t>(e + 1);
        chunk.PutBytes(std::span<const uint8_t>(&harmonic, 1));
        chunk.PutDouble(0.0);
        chunk.PutDouble(10.0);
    }
    chunk.PutBytes(std::vector<uint8_t>(10, 0));  // a partial entry
    EXPECT_EQ(q->UnserializeState(chunk, 0), -1);
    EXPECT_EQ(q->recipes[0].size(), 3u);
    EXPECT_TRUE(SameRecipe(q->recipes[1], before.recipes[1]));
    EXPECT_EQ(Snapshot(*q).values, before.values);
}

// Where each field of a state starts.
struct Layout {
    int header;  // first byte after the name
    std::array<int, 2> entries{};
    std::array<int, 2> block{};
    std::array<int, 2> count{};
    int params;
    explicit Layout(const IChunk& chunk)
    {
        int32_t n = 0;
        chunk.GetInt32(n, 13);
        header = 17 + n;
        int at = header;
        for (int m = 0; m < 2; ++m) {
            int32_t k = 0;
            chunk.GetInt32(k, at);
            count[m] = k;
            block[m] = at;
            entries[m] = at + 4;
            at += 4 + kEntryBytes * k + kTablesBytes;
        }
        params = at;
    }
};

TEST(StateChunk, TruncationAtEveryByteAppliesWhatWasRead)
{
    QorInstance source;
    Scramble(*source, 4, 3, 2);
    const IChunk full = StateOf(*source);
    const Snapshot wanted(*source);
    const Layout layout(full);
    ASSERT_EQ(layout.params + kParamBytes, full.Size());

    QorInstance target;
    Scramble(*target, 5, 4, 6);
    const IChunk baseline = StateOf(*target);
    const Snapshot base(*target);

    for (int length = 0; length < full.Size(); ++length) {
        ASSERT_EQ(target->UnserializeState(baseline, 0), baseline.Size());
        IChunk cut;
        cut.PutBytes(full.Bytes().first(static_cast<size_t>(length)));
        const int result = target->UnserializeState(cut, 0);
        const Snapshot got(*target);
        if (length < kTagBytes) {
            ASSERT_EQ(result, 0) << length;
            ASSERT_EQ(got.values, base.values) << length;
            continue;
        }
        ASSERT_EQ(result, -1) << length;
        ASSERT_EQ(got.active, base.active) << length;

        // The user-wave blocks: a memory's recipe is emptied once the parsing
        // reaches its block; it then holds the entries that are complete, and
        // each table is taken only when all of its bytes are there.
        for (int m = 0; m < 2; ++m) {
            if (length < layout.block[m]) {
                ASSERT_TRUE(SameRecipe(got.recipes[m], base.recipes[m])) << length << " memory " << m;
                ASSERT_EQ(got.stored[m], base.stored[m]) << length << " memory " << m;
                continue;
            }
            const int complete =
                length < layout.entries[m] ? 0 : std::min(layout.count[m], (length - layout.entries[m]) / kEntryBytes);
            HarmonicMap expected(wanted.recipes[m].begin(), std::next(wanted.recipes[m].begin(), complete));
            ASSERT_TRUE(SameRecipe(got.recipes[m], expected)) << length << " memory " << m;
            const int tables = layout.entries[m] + kEntryBytes * layout.count[m];
            const auto& samples = (length >= tables + 1024 ? wanted : base).stored[m];
            const auto& slopes = (length >= tables + 2048 ? wanted : base).stored[m];
            ASSERT_TRUE(std::equal(got.stored[m].begin(), got.stored[m].begin() + 1024, samples.begin()))
                << length << " memory " << m;
            ASSERT_TRUE(std::equal(got.stored[m].begin() + 1024, got.stored[m].end(), slopes.begin() + 1024))
                << length << " memory " << m;
        }

        // The parameters: those read are applied, the one cut off becomes
        // 0.0 clamped, the rest keep their values.
        const int read = length < layout.params ? -1 : (length - layout.params) / 8;
        for (int i = 0; i < 60; ++i) {
            const IParameter* p = target->GetParam(i);
            if (i < read)
                ASSERT_EQ(got.values[i], wanted.values[i]) << length << " parameter " << i;
            else if (i == read)
                ASSERT_EQ(got.values[i], std::clamp(0.0, p->Min(), p->Max())) << length << " parameter " << i;
            else
                ASSERT_EQ(got.values[i], base.values[i]) << length << " parameter " << i;
        }
    }
}

TEST(StateChunk, BankOfStatesReadsBackSlotBySlot)
{
    QorInstance a;
    a->SetWriteProtect(false);
    for (const int slot : {0, 7, 50, 99}) {
        a->SelectProgram(slot);
        Scramble(*a, 10 + static_cast<unsigned>(slot), slot % 5, slot % 7);
        a->ModifyCurrentPreset(("SLOT " + std::to_string(slot)).c_str());
    }
    IChunk bank;
    ASSERT_TRUE(a->SerializePresets(bank));

    QorInstance b;
    ASSERT_EQ(b->UnserializePresets(bank, 0), bank.Size());
    for (int slot = 0; slot < 100; ++slot) EXPECT_STREQ(b->GetPresetName(slot), a->GetPresetName(slot)) << slot;
    for (const int slot : {0, 7, 50, 99}) {
        ASSERT_TRUE(a->RestorePreset(slot));
        ASSERT_TRUE(b->RestorePreset(slot));
        const Snapshot sa(*a);
        const Snapshot sb(*b);
        EXPECT_EQ(sb.values, sa.values) << slot;
        EXPECT_TRUE(SameRecipe(sb.recipes[0], sa.recipes[0])) << slot;
        EXPECT_TRUE(SameRecipe(sb.recipes[1], sa.recipes[1])) << slot;
        EXPECT_EQ(sb.stored, sa.stored) << slot;
    }
}

}  // namespace
}  // namespace qor
