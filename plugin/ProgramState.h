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

// Reads the state at position as restoring it would (values clamped to each
// parameter's range) and appends it to out as the working program would
// write it, recording `current` named `name` as the current program; with
// exchangeWaves, its internal and cartridge user waves change places.
// Touches nothing of the plug-in (no lock needed). Returns the position after
// the state, the position itself when it is not ours, or -1 when it breaks
// off; out gets a state only when it was read whole. With `values`, it holds
// them (clamped) in place of the parameter values read.
int RewriteProgramState(const IPlugBase& plug, const IChunk& chunk, int position, int current, std::string_view name,
                        bool exchangeWaves, IChunk& out, std::span<const double> values = {});

// The parameter values a program state holds, as restoring it would set
// them (clamped to each parameter's range), without touching the plug-in:
// only the values are read, the user waves are stepped over. Values the
// state lacks keep what `values` holds. False when the state is not whole
// or not one of ours.
bool StateValues(const IPlugBase& plug, const IChunk& state, std::span<double> values);

}  // namespace qor
