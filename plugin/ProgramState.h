// Writing a program state (the bytes a slot, the clipboard and the host's
// chunks hold; the layout is described in StateChunk.cpp) from its parts, so
// that a program can be made ready away from the working program, on any
// thread, and only put into its slot under the main lock.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/Oscillator.h"
#include "framework/IChunk.h"
#include "programs/HarmonicMap.h"

namespace qor {

class IPlugBase;

using UserWaveTables = std::array<std::array<uint8_t, kUserWaveBytes>, 2>;

// Appends one state: index and name record where and when it was written;
// recipes and tables are the internal and cartridge user waves; values the
// plain parameter values in index order.
void WriteProgramState(IChunk& chunk, int index, std::string_view name, const std::array<HarmonicMap, 2>& recipes,
                       const UserWaveTables& tables, std::span<const double> values);

// The parameter values a program state holds, as restoring it would set
// them (clamped to each parameter's range), without touching the plug-in:
// only the values are read, the user waves are stepped over. Values the
// state lacks keep what `values` holds. False when the state is not whole
// or not one of ours.
bool StateValues(const IPlugBase& plug, const IChunk& state, std::span<double> values);

}  // namespace qor
