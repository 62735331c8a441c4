// The two user waves of the working program: their recipes, the stored tables
// saved with the program and the active tables the oscillators read, and
// their exchange with WAV files.
//
// Editor thread or SysEx delivery: the work is done outside the main lock and
// only the copy into the engine's buffers takes it, so that a block never
// plays half a table.
#include <algorithm>
#include <array>
#include <span>

#include "plugin/QOR.h"
#include "programs/UserWave.h"
#include "programs/WavFile.h"
#include "programs/WaveSynthesis.h"

namespace qor {

namespace {

constexpr int kTableBytes = 1024;

bool ValidMemory(int memory) { return memory == 0 || memory == 1; }

}  // namespace

void QOR::ComputeUserWaveTables(int memory, const HarmonicMap& harmonics)
{
    if (!ValidMemory(memory)) return;
    std::array<uint8_t, kUserWaveBytes> tables{};
    renderWaveTables(harmonics, std::span<uint8_t, kTableBytes>(tables.data(), kTableBytes),
                     std::span<uint8_t, kTableBytes>(tables.data() + kTableBytes, kTableBytes));
    auto lock = LockMain();
    std::copy(tables.begin(), tables.end(), ActiveTable(memory));
}

void QOR::WriteUserWaveSamples(int memory, const double* samples, int count)
{
    if (!ValidMemory(memory)) return;
    const std::span<const double> input = samples && count > 0 ? std::span<const double>(samples, static_cast<std::size_t>(count))
                                                               : std::span<const double>();
    const HarmonicMap analysis = AnalyseSamples(input);
    ComputeUserWaveTables(memory, analysis);
    HarmonicMap recipe = RecipeFromAnalysis(analysis);
    auto lock = LockMain();
    recipes[static_cast<std::size_t>(memory)] = std::move(recipe);
}

void QOR::WriteUserWaveBytes(int memory, const uint8_t* bytes)
{
    if (!bytes) return;
    std::array<double, 512> samples{};
    std::copy(bytes, bytes + samples.size(), samples.begin());
    WriteUserWaveSamples(memory, samples.data(), static_cast<int>(samples.size()));
}

void QOR::CopyStoredToActive(int from, int to)
{
    if (!ValidMemory(from) || !ValidMemory(to)) return;
    auto lock = LockMain();
    const auto& stored = storedTables[static_cast<std::size_t>(from)];
    std::copy(stored.begin(), stored.end(), ActiveTable(to));
}

void QOR::CopyActiveToStored(int from, int to)
{
    if (!ValidMemory(from) || !ValidMemory(to)) return;
    auto lock = LockMain();
    const uint8_t* active = ActiveTable(from);
    std::copy(active, active + kUserWaveBytes, storedTables[static_cast<std::size_t>(to)].begin());
}

bool QOR::LoadUserWaveWav(int memory, const std::string& path)
{
    if (!ValidMemory(memory)) return false;
    const WavReadResult wav = ReadWavFile(path);
    if (wav.error) {
        infoMessage = *wav.error == WavError::kNotMono ? kInfoOnlyMonoWav : kInfoCannotReadFile;
        return false;
    }
    WriteUserWaveSamples(memory, wav.samples.data(), static_cast<int>(wav.samples.size()));
    CopyActiveToStored(memory, memory);
    infoMessage = memory == 0 ? kInfoInternalUserWaveLoaded : kInfoCartridgeUserWaveLoaded;
    return true;
}

bool QOR::SaveUserWaveWav(int memory, const std::string& path)
{
    if (!ValidMemory(memory)) return false;
    // Level 0 of the stored sample table: every second byte, 512 samples.
    std::array<double, 512> samples{};
    {
        auto lock = LockMain();
        const auto& stored = storedTables[static_cast<std::size_t>(memory)];
        for (std::size_t k = 0; k < samples.size(); ++k) samples[k] = stored[2 * k] / 128.0 - 1.0;
    }
    if (!WriteWavFile(path, samples)) return false;
    infoMessage = memory == 0 ? kInfoUserWaveWrittenInternal : kInfoUserWaveWrittenCartridge;
    return true;
}

}  // namespace qor
