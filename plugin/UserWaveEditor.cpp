#include "plugin/UserWaveEditor.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "engine/WaveMemory.h"
#include "plugin/PanelView.h"
#include "plugin/QOR.h"
#include "programs/UserWave.h"

namespace qor {

void UserWaveEditor::Begin(int memory)
{
    auto lock = mPlug.LockMain();
    for (std::size_t m = 0; m < 2; ++m) {
        mSavedRecipes[m] = mPlug.recipes[m];
        const uint8_t* active = mPlug.ActiveTable(static_cast<int>(m));
        std::copy(active, active + kUserWaveBytes, mSavedTables[m].begin());
    }
    mActive = true;
    mEditingLevel = true;
    ChooseMemory(memory);
}

void UserWaveEditor::End()
{
    if (!mActive) return;
    mActive = false;
    auto lock = mPlug.LockMain();
    for (std::size_t m = 0; m < 2; ++m) {
        mPlug.recipes[m] = mSavedRecipes[m];
        std::copy(mSavedTables[m].begin(), mSavedTables[m].end(), mPlug.ActiveTable(static_cast<int>(m)));
    }
}

void UserWaveEditor::ChooseMemory(int memory)
{
    mMemory = memory == 1 ? 1 : 0;
    const HarmonicMap& recipe = mPlug.recipes[static_cast<std::size_t>(mMemory)];
    mHarmonic = recipe.empty() ? 1 : std::clamp<int>(recipe.begin()->first, 1, kHighestHarmonic);
}

void UserWaveEditor::LoadPreset(int n)
{
    if (n < 1 || n > kPresetSpectra) return;
    // Level 0 of the fixed wave: every second byte of its slot.
    std::vector<double> cycle(static_cast<std::size_t>(waveLevels[0].samples));
    const std::size_t slot = static_cast<std::size_t>(n) * kWaveSlotBytes;
    for (std::size_t k = 0; k < cycle.size(); ++k) cycle[k] = waveRom[slot + 2 * k] - 128.0;
    HarmonicMap recipe = RecipeFromAnalysis(AnalyseSamples(cycle));
    // Only what the hardware's form can hold, so the wave survives a SysEx dump.
    std::erase_if(recipe, [](const auto& entry) { return entry.first > kHighestHarmonic; });
    {
        auto lock = mPlug.LockMain();
        mPlug.recipes[static_cast<std::size_t>(mMemory)] = std::move(recipe);
    }
    ChooseMemory(mMemory);
    Recalculate();
}

void UserWaveEditor::DisplayKey(int display, bool alternate)
{
    const bool left = display == PanelView::kDisplayLeft;
    if (!alternate) {
        mEditingLevel = !left;
        return;
    }
    const HarmonicMap& recipe = mPlug.recipes[static_cast<std::size_t>(mMemory)];
    if (recipe.empty()) return;
    const auto h = static_cast<uint8_t>(mHarmonic);
    if (left) {
        auto it = recipe.lower_bound(h);
        it = it == recipe.begin() ? std::prev(recipe.end()) : std::prev(it);
        mHarmonic = it->first;
    } else {
        auto it = recipe.upper_bound(h);
        mHarmonic = (it == recipe.end() ? recipe.begin() : it)->first;
    }
    mHarmonic = std::clamp(mHarmonic, 1, kHighestHarmonic);
}

int UserWaveEditor::Level() const
{
    const HarmonicMap& recipe = mPlug.recipes[static_cast<std::size_t>(mMemory)];
    const auto it = recipe.find(static_cast<uint8_t>(mHarmonic));
    return it == recipe.end() ? 0 : static_cast<int>(std::lround(it->second.sine + it->second.cosine));
}

void UserWaveEditor::Step(int step)
{
    if (!mEditingLevel) {
        mHarmonic = std::clamp(mHarmonic + step, 1, kHighestHarmonic);
        return;
    }
    const int level = std::clamp(Level() + step, 0, kHighestLevel);
    {
        auto lock = mPlug.LockMain();
        HarmonicMap& recipe = mPlug.recipes[static_cast<std::size_t>(mMemory)];
        const auto h = static_cast<uint8_t>(mHarmonic);
        if (level == 0)
            recipe.erase(h);
        else if (recipe.contains(h) || recipe.size() < kRecipeEntries)
            recipe[h] = {0.0, static_cast<double>(level)};
        else
            return;  // a 33rd harmonic: the wave is full
    }
    Recalculate();
}

void UserWaveEditor::Written(int memory)
{
    auto lock = mPlug.LockMain();
    const auto m = static_cast<std::size_t>(memory & 1);
    mSavedRecipes[m] = mPlug.recipes[m];
    const uint8_t* active = mPlug.ActiveTable(memory & 1);
    std::copy(active, active + kUserWaveBytes, mSavedTables[m].begin());
}

void UserWaveEditor::Recalculate()
{
    HarmonicMap recipe;
    {
        auto lock = mPlug.LockMain();
        recipe = mPlug.recipes[static_cast<std::size_t>(mMemory)];
    }
    mPlug.ComputeUserWaveTables(mMemory, recipe);
}

}  // namespace qor
