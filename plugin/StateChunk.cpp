// A program as bytes, for the program slots, the clipboard, the host's chunks
// and bank files. Little-endian, no padding:
//
//   "QOR_1.0.0"          9 bytes, no terminator
//   program index        int32 (not applied on reading)
//   name                 int32 length n, n bytes (not applied on reading)
//   internal user wave   block
//   cartridge user wave  block
//   parameter values     60 doubles, plain values in index order
//
// User-wave block: int32 entry count k; k entries of harmonic (uint8), cosine
// amplitude (double), sine amplitude (double); the stored sample table (1024
// bytes) and the stored slope table (1024 bytes).
//
// There is no length field: the end is found by parsing, and a bank of slots
// holds the states back to back.
#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <string_view>

#include "engine/ParameterIndex.h"
#include "plugin/ProgramState.h"
#include "plugin/QOR.h"

namespace qor {

namespace {

constexpr std::string_view kStateTag = "QOR_1.0.0";
constexpr std::size_t kTableBytes = 1024;
constexpr int kRecipeEntryBytes = 17;  // harmonic, cosine, sine

}  // namespace

namespace {

// What records where and when a state was written: the tag, the program
// index and the name.
void WriteStateHeader(IChunk& chunk, int index, std::string_view name)
{
    chunk.PutBytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(kStateTag.data()), kStateTag.size()));
    chunk.PutInt32(index);
    chunk.PutString(name);
}

}  // namespace

void WriteProgramState(IChunk& chunk, int index, std::string_view name, const std::array<HarmonicMap, 2>& recipes,
                       const UserWaveTables& tables, std::span<const double> values)
{
    WriteStateHeader(chunk, index, name);
    for (std::size_t m = 0; m < 2; ++m) {
        chunk.PutInt32(static_cast<int32_t>(recipes[m].size()));
        for (const auto& [harmonic, amplitude] : recipes[m]) {
            chunk.PutBytes(std::span<const uint8_t>(&harmonic, 1));
            chunk.PutDouble(amplitude.cosine);
            chunk.PutDouble(amplitude.sine);
        }
        chunk.PutBytes(tables[m]);
    }
    for (const double value : values) chunk.PutDouble(value);
}

bool QOR::SerializeState(IChunk& chunk)
{
    auto lock = LockMain();
    std::array<double, kNumParams> values{};
    const int count = std::min(NParams(), static_cast<int>(kNumParams));
    for (int i = 0; i < count; ++i) values[static_cast<std::size_t>(i)] = GetParam(i)->Value();
    WriteProgramState(chunk, GetCurrentPresetIndex(), LiveProgramName(), recipes, storedTables,
                      std::span<const double>(values.data(), static_cast<std::size_t>(count)));
    return true;
}

// What follows the tag, the program number and the name: those only record
// where and when the state was written.
std::span<const uint8_t> QOR::ProgramOf(std::span<const uint8_t> state) const
{
    constexpr std::size_t kNameLengthAt = kStateTag.size() + 4;
    if (state.size() < kNameLengthAt + 4 || std::memcmp(state.data(), kStateTag.data(), kStateTag.size()) != 0)
        return state;
    int32_t nameLength = 0;
    std::memcpy(&nameLength, state.data() + kNameLengthAt, sizeof(nameLength));
    const std::size_t nameAt = kNameLengthAt + 4;
    if (nameLength < 0 || static_cast<std::size_t>(nameLength) > state.size() - nameAt) return state;
    return state.subspan(nameAt + static_cast<std::size_t>(nameLength));
}

namespace {

// Skips count bytes at pos; -1 when they are not there.
int Skip(const IChunk& chunk, int pos, int count)
{
    return pos >= 0 && count <= chunk.Size() - pos ? pos + count : -1;
}

// Reads one state at position into recipes, tables and, through setValue,
// the parameter values, as far as the chunk goes: each failed read ends the
// parsing, what was read before stays. A value missing at the end is given
// as 0.0, and the reading ends. Without recipes and tables the user waves
// are only stepped over; with exchangeWaves the internal user wave is read
// into the cartridge's place and the other way round. Returns the position
// after the state, the position itself when the tag does not match (nothing
// read), or -1.
template <class SetValue>
int ReadState(const IChunk& chunk, int position, std::array<HarmonicMap, 2>* recipes, UserWaveTables* tables,
              int nParams, SetValue&& setValue, bool exchangeWaves = false)
{
    // Only this version is read; anything else is left alone.
    if (position < 0 || position > chunk.Size() || chunk.Size() - position < static_cast<int>(kStateTag.size()) ||
        std::memcmp(chunk.Data() + position, kStateTag.data(), kStateTag.size()) != 0)
        return position;

    // The index and the name belong to whoever keeps the slot.
    int32_t index = 0;
    int pos = chunk.GetInt32(index, position + static_cast<int>(kStateTag.size()));
    int32_t nameLength = 0;
    pos = chunk.GetInt32(nameLength, pos);
    if (pos >= 0) pos = nameLength >= 0 && nameLength <= chunk.Size() - pos ? pos + nameLength : -1;

    for (std::size_t block = 0; block < 2 && pos >= 0; ++block) {
        const std::size_t m = exchangeWaves ? 1 - block : block;
        if (recipes) (*recipes)[m].clear();
        int32_t count = 0;
        pos = chunk.GetInt32(count, pos);
        // A count beyond the chunk's end stops at the first entry that is not there.
        for (int32_t e = 0; e < count && pos >= 0; ++e) {
            if (!recipes) {
                pos = Skip(chunk, pos, kRecipeEntryBytes);
                continue;
            }
            std::array<uint8_t, 1> harmonic{};
            HarmonicAmplitude amplitude;
            pos = chunk.GetBytes(harmonic, pos);
            pos = chunk.GetDouble(amplitude.cosine, pos);
            pos = chunk.GetDouble(amplitude.sine, pos);
            if (pos >= 0) (*recipes)[m][harmonic[0]] = amplitude;
        }
        if (!tables) {
            pos = Skip(chunk, pos, static_cast<int>(2 * kTableBytes));
            continue;
        }
        auto& stored = (*tables)[m];
        pos = chunk.GetBytes(std::span<uint8_t>(stored.data(), kTableBytes), pos);
        pos = chunk.GetBytes(std::span<uint8_t>(stored.data() + kTableBytes, kTableBytes), pos);
    }

    for (int i = 0; i < nParams && pos >= 0; ++i) {
        double value = 0.0;
        pos = chunk.GetDouble(value, pos);
        setValue(i, pos < 0 ? 0.0 : value);
    }
    return pos;
}

}  // namespace

int QOR::UnserializeState(const IChunk& chunk, int position)
{
    auto lock = LockMain();
    const int end = ReadState(chunk, position, &recipes, &storedTables, NParams(),
                              [this](int i, double value) { GetParam(i)->Set(value); });
    // A state that is not ours changes nothing and reaches nobody.
    if (end == position) return end;
    PushAllParams();
    return end;
}

int RewriteProgramState(const IPlugBase& plug, const IChunk& chunk, int position, int current, std::string_view name,
                        bool exchangeWaves, IChunk& out, std::span<const double> given)
{
    std::array<HarmonicMap, 2> waves;
    UserWaveTables tables{};
    std::array<double, kNumParams> values{};
    const int count = std::min(plug.NParams(), static_cast<int>(kNumParams));
    const int end = ReadState(
        chunk, position, &waves, &tables, count,
        [&](int i, double value) { values[static_cast<std::size_t>(i)] = plug.GetParam(i)->Clamp(value); },
        exchangeWaves);
    for (std::size_t i = 0; i < given.size() && i < static_cast<std::size_t>(count); ++i)
        values[i] = plug.GetParam(static_cast<int>(i))->Clamp(given[i]);
    // Only a state read whole is ever kept.
    if (end > position)
        WriteProgramState(out, current, name, waves, tables,
                          std::span<const double>(values.data(), static_cast<std::size_t>(count)));
    return end;
}

int QOR::RewriteState(const IChunk& chunk, int position, int current, std::string_view name, IChunk& out,
                      std::span<const double> values) const
{
    return RewriteProgramState(*this, chunk, position, current, name, false, out, values);
}

void QOR::RestampState(IChunk& state, int current, std::string_view name) const
{
    const std::span<const uint8_t> program = ProgramOf(state.Bytes());
    if (program.size() == state.Bytes().size()) return;  // not one of ours
    IChunk stamped;
    WriteStateHeader(stamped, current, name);
    stamped.PutBytes(program);
    std::swap(state, stamped);
}

bool StateValues(const IPlugBase& plug, const IChunk& state, std::span<double> values)
{
    const int count = std::min(plug.NParams(), static_cast<int>(values.size()));
    const int end = ReadState(state, 0, nullptr, nullptr, count, [&](int i, double value) {
        values[static_cast<std::size_t>(i)] = plug.GetParam(i)->Clamp(value);
    });
    return end > 0;
}

}  // namespace qor
